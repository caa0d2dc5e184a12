#pragma once

// Exceptions and the text, number, date and file routines of the class library.

#include "platform/rtl/System.h"

#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(const AnsiString &Msg) : FMessage(Msg) {}
    const AnsiString &Message() const { return FMessage; }
    void SetMessage(const AnsiString &Value) { FMessage = Value; }
    const char *what() const noexcept override { return FMessage.c_str(); }

private:
    AnsiString FMessage;
};

// Declares an exception class that adds nothing but its name.
#define QRV4_DECLARE_EXCEPTION(Name, Base)                                                         \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    };

QRV4_DECLARE_EXCEPTION(EAbort, Exception)
QRV4_DECLARE_EXCEPTION(EConvertError, Exception)
QRV4_DECLARE_EXCEPTION(EIntError, Exception)
QRV4_DECLARE_EXCEPTION(ERangeError, EIntError)
QRV4_DECLARE_EXCEPTION(EIntOverflow, EIntError)
QRV4_DECLARE_EXCEPTION(EDivByZero, EIntError)
QRV4_DECLARE_EXCEPTION(EMathError, Exception)
QRV4_DECLARE_EXCEPTION(EZeroDivide, EMathError)
QRV4_DECLARE_EXCEPTION(EOverflow, EMathError)
QRV4_DECLARE_EXCEPTION(EInvalidOp, EMathError)
QRV4_DECLARE_EXCEPTION(EInvalidOperation, Exception)
QRV4_DECLARE_EXCEPTION(EInvalidPointer, Exception)
QRV4_DECLARE_EXCEPTION(EInvalidCast, Exception)
QRV4_DECLARE_EXCEPTION(EOutOfMemory, Exception)
QRV4_DECLARE_EXCEPTION(EAccessViolation, Exception)
QRV4_DECLARE_EXCEPTION(EInOutError, Exception)
QRV4_DECLARE_EXCEPTION(EExternalException, Exception)
