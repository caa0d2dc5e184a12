#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"

#include "script/fs_iconst.h"

#include <gtest/gtest.h>

TEST(Resources, BuiltInTableAnswersByKeyWithoutCase)
{
    TfrxResources *Res = frxResources();
    EXPECT_EQ(Res->Count(), 177);
    EXPECT_EQ(Res->Get("CLERRORS"), Cp("Были обнаружены следующие ошибки:"));
    EXPECT_EQ(Res->Get("clDSNotExist"), Cp("Набор данных \"%s\" не найден"));
    EXPECT_EQ(Res->Get("noSuchKey"), "noSuchKey");
    // Every text the library asks for is there: no window or message shows a bare key.
    EXPECT_EQ(frxGet(5000), Cp("Пароль"));
    EXPECT_EQ(Res->Get("prInvProp"), Cp("Неверное значение свойства"));
    EXPECT_EQ(Res->Get("obDMPCmd"), Cp("Команда матричного принтера"));
    EXPECT_EQ(frxGet(2), Cp("Отмена"));
    EXPECT_EQ(frxGet(9), Cp("Введите номера и/или диапазоны страниц, разделенные запятыми. "
                            "Например, 1,3,5-12"));
    EXPECT_EQ(SIdUndeclared, Cp("Неопределенный идентификатор:"));
}

TEST(Resources, AddReplacesAndLanguageFilesReplaceTheTable)
{
    frxResources(); // the library's start-up puts the table's texts into the script engine
    TfrxResources Res;
    Res.AddStrings(frxBuiltinResources());
    EXPECT_EQ(Res.Count(), 177);
    Res.Add("mbError", Cp("Беда"));
    EXPECT_EQ(Res.Get("MBERROR"), Cp("Беда"));
    EXPECT_EQ(Res.Count(), 177);

    const AnsiString Saved = SIdUndeclared;
    TStringStream Language("mbError=Fehler\r\n=ruler\r\nempty=\r\n");
    Res.LoadFromStream(&Language);
    EXPECT_EQ(Res.Count(), 1);
    EXPECT_EQ(Res.Get("mbError"), "Fehler");
    EXPECT_EQ(Res.Get("clErrors"), "clErrors");
    EXPECT_EQ(SIdUndeclared, "SIdUndeclared");
    frxResources()->UpdateFSResources();
    EXPECT_EQ(SIdUndeclared, Saved);
}
