#include "script/fs_ievents.h"

void TfsNotifyEvent::DoEvent(TObject *Sender)
{
    CallHandler({fsObjectToVariant(Sender)});
}

void TfsKeyPressEvent::DoEvent(TObject *Sender, char &Key)
{
    CallHandler({fsObjectToVariant(Sender), Variant(AnsiString(Key))});
    // An emptied text leaves the key as it was.
    AnsiString Text = fsVarToStr(Param(1));
    if (!Text.IsEmpty()) Key = Text[1];
}

void TfsCloseQueryEvent::DoEvent(TObject *Sender, bool &CanClose)
{
    CallHandler({fsObjectToVariant(Sender), Variant(CanClose)});
    CanClose = fsVarToBool(Param(1));
}

void TfsCanResizeEvent::DoEvent(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)
{
    CallHandler(
        {fsObjectToVariant(Sender), Variant(NewWidth), Variant(NewHeight), Variant(Resize)});
    NewWidth = fsVarToInt(Param(1));
    NewHeight = fsVarToInt(Param(2));
    Resize = fsVarToBool(Param(3));
}
