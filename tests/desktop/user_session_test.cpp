// One run of the program as a user works it against the device: every exchange opens the port
// again, so each operation is done twice in the same window, after the others, and each must
// end in its success text. Run unprivileged, it shows that nothing of it needs root.

#include "tests/operations/WriterTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using writertest::WriterTest;

class UserSessionTest : public WriterTest
{
protected:
    void SetUp() override
    {
        WriterTest::SetUp();
        maintest::ServeSampleArchive(*Sim, 40);
        Sim->Edit([](devsim::Memory &M) { devsim::FillSampleAddressBook(M); });
        ShowWindow();
    }

    void ReadArchive()
    {
        ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
        EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    }
    void ReadAddressBook()
    {
        Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
        ASSERT_TRUE(ReadBook());
        EXPECT_EQ(Status(), "  Чтение данных... успешно!  "_a);
    }
    void EditAndWriteAddressBook(const char *Name)
    {
        Edit(0, 1, Name, 13);
        ASSERT_TRUE(WriteBook());
        EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    }
    void ReadAndWriteSettings()
    {
        Form->PC_Tabs->SetActivePage(Form->Sheet_Options);
        Form->BTN_OptionsReadClick(nullptr);
        ASSERT_TRUE(WaitForIdle());
        EXPECT_EQ(Status(), "  Чтение настроек... успешно!  "_a);
        Form->BTN_OptionsSaveClick(nullptr);
        ASSERT_TRUE(WaitForIdle());
        EXPECT_EQ(Status(), "  Запись настроек... успешно!  "_a);
    }
};

TEST_F(UserSessionTest, EveryOperationTwiceInOneRunEndsInItsSuccessText)
{
    const char *names[] = {"ДОМ 1", "ДОМ 2"};
    for (const char *name : names) {
        SCOPED_TRACE(name);
        ReadArchive();
        ReadAddressBook();
        EditAndWriteAddressBook(name);
        ReadAndWriteSettings();
    }
    ReadAddressBook();
    EXPECT_EQ(Trim(Row(0).Name), "ДОМ 2"_a);
}

} // namespace
