// Window positions of the report library kept in a settings store and read
// back, with maximised and docked forms.

#include "report_output/frxDock.h"

#include "tests/report/ReportTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

namespace
{

class PreviewLikeForm : public TForm
{
    QRV4_CLASS(PreviewLikeForm, TForm)

public:
    using TForm::TForm;
};

using FormPositionTest = vcltest::VclTest;

TEST_F(FormPositionTest, BoundsAndVisibilityComeBack)
{
    TMemIniFile Ini("");
    PreviewLikeForm Saved(nullptr);
    Saved.SetBounds(40, 50, 320, 240);
    frxSaveFormPosition(&Ini, &Saved);
    EXPECT_EQ(Ini.ReadInteger("Form.PreviewLikeForm", "Width", 0), 320);
    EXPECT_FALSE(Ini.ReadBool("Form.PreviewLikeForm", "Maximized", true));
    EXPECT_EQ(Ini.ReadString("Form.PreviewLikeForm", "Dock", "x"), "");

    PreviewLikeForm Restored(nullptr);
    Restored.SetBounds(0, 0, 100, 100);
    Ini.WriteBool("Form.PreviewLikeForm", "Visible", false);
    frxRestoreFormPosition(&Ini, &Restored);
    EXPECT_EQ(Restored.Left(), 40);
    EXPECT_EQ(Restored.Top(), 50);
    EXPECT_EQ(Restored.Width(), 320);
    EXPECT_EQ(Restored.Height(), 240);
    EXPECT_FALSE(Restored.Visible());

    // Nothing stored: the form stays as it is and shows.
    TMemIniFile Empty("");
    frxRestoreFormPosition(&Empty, &Restored);
    EXPECT_EQ(Restored.Width(), 320);
    EXPECT_TRUE(Restored.Visible());
    Restored.Hide();
}

TEST_F(FormPositionTest, MaximisedFormKeepsItsNormalBounds)
{
    TMemIniFile Ini("");
    PreviewLikeForm Saved(nullptr);
    Saved.SetBounds(10, 10, 200, 150);
    Saved.SetWindowState(wsMaximized);
    frxSaveFormPosition(&Ini, &Saved);
    Ini.WriteBool("Form.PreviewLikeForm", "Visible", false);

    PreviewLikeForm Restored(nullptr);
    Restored.SetBounds(60, 70, 300, 250);
    frxRestoreFormPosition(&Ini, &Restored);
    EXPECT_EQ(Restored.WindowState(), wsMaximized);
    Restored.SetWindowState(wsNormal);
    EXPECT_EQ(Restored.Left(), 60);
    EXPECT_EQ(Restored.Width(), 300);
}

TEST_F(FormPositionTest, DockedFormReturnsToItsSiteWhenTheSiteStillExists)
{
    TMemIniFile Ini("");
    TComponent Owner(nullptr);
    auto *Host = new TForm(&Owner);
    auto *Site = new TPanel(&Owner);
    Site->SetName("DockSite1");
    Site->SetParent(Host);
    auto *Saved = new PreviewLikeForm(&Owner);
    Saved->SetParent(Site);
    frxSaveFormPosition(&Ini, Saved);
    EXPECT_EQ(Ini.ReadString("Form.PreviewLikeForm", "Dock", ""), "DockSite1");
    Saved->SetParent(nullptr);

    auto *Restored = new PreviewLikeForm(&Owner);
    Ini.WriteBool("Form.PreviewLikeForm", "Visible", false);
    frxRestoreFormPosition(&Ini, Restored);
    EXPECT_EQ(Restored->Parent(), Site);

    Ini.WriteString("Form.PreviewLikeForm", "Dock", "Gone");
    PreviewLikeForm Alone(nullptr);
    frxRestoreFormPosition(&Ini, &Alone);
    EXPECT_EQ(Alone.Parent(), nullptr);
}

TEST_F(FormPositionTest, ToolbarPanelIsABareSmallPanel)
{
    TfrxTBPanel Panel(nullptr);
    EXPECT_EQ(Panel.Width(), 8);
    EXPECT_EQ(Panel.Height(), 8);
    EXPECT_EQ(Panel.BevelOuter(), bvNone);
    EXPECT_EQ(Panel.BevelInner(), bvNone);
    EXPECT_EQ(Panel.Caption(), "");
    EXPECT_STREQ(frxRegRootKey, "Software\\Zedo Vevuvuz");
}

} // namespace
