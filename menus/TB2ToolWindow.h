#pragma once
// A dockable window holding any controls in a client area the user sizes; it
// keeps that size docked and floating and saves it with the bar positions.

#include "menus/TB2Dock.h"

class TTBToolWindow : public TTBCustomDockableWindow
{
    QRV4_CLASS(TTBToolWindow, TTBCustomDockableWindow)

public:
    explicit TTBToolWindow(TComponent *AOwner);

    int ClientAreaWidth() const;
    void SetClientAreaWidth(int Value) { SetClientAreaSize(Value, ClientAreaHeight()); }
    int ClientAreaHeight() const;
    void SetClientAreaHeight(int Value) { SetClientAreaSize(ClientAreaWidth(), Value); }
    int MinClientWidth() const { return FMinClientWidth; }
    void SetMinClientWidth(int Value) { FMinClientWidth = Value; }
    int MinClientHeight() const { return FMinClientHeight; }
    void SetMinClientHeight(int Value) { FMinClientHeight = Value; }
    // 0: no limit.
    int MaxClientWidth() const { return FMaxClientWidth; }
    void SetMaxClientWidth(int Value) { FMaxClientWidth = Value; }
    int MaxClientHeight() const { return FMaxClientHeight; }
    void SetMaxClientHeight(int Value) { FMaxClientHeight = Value; }
    void SetClientAreaSize(int AWidth, int AHeight);
    static void Publish(rtl::Publisher<TTBToolWindow> &P);

    TPoint DoArrange(bool CanMoveControls, TTBDockType PreviousDockType, bool NewFloating,
                     TTBDock *NewDock) override;
    TPoint GetBaseSize() override;
    void GetMinMaxSize(int &AMinClientWidth, int &AMinClientHeight, int &AMaxClientWidth,
                       int &AMaxClientHeight) override;
    void ReadPositionData(const TTBReadPositionData &Data) override;
    void WritePositionData(const TTBWritePositionData &Data) override;

protected:
    void Paint() override;
    void SizeChanging(int AWidth, int AHeight) override;
    void WMEraseBkgnd(TMessage &Message) override;

private:
    TPoint CalcSize(TTBDock *Dock);

    int FMinClientWidth = 32;
    int FMinClientHeight = 32;
    int FMaxClientWidth = 0;
    int FMaxClientHeight = 0;
    // The client size the user last gave.
    int FBarWidth = 32;
    int FBarHeight = 32;
};
