#include "platform/rtl/SharedText.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>

namespace
{

using rtl::SharedText;

// The last holder and one of two holders alike: the text keeps its characters, its
// buffer stays held once, and it joins on as before.
TEST(SharedTextAssignment, ATextAssignedToItselfKeepsItsText)
{
    for (bool Shared : {false, true}) {
        SharedText Text(std::string_view("a text assigned to itself"));
        const SharedText Other = Shared ? Text : SharedText();
        SharedText &Same = Text;
        Text = Same;
        EXPECT_EQ(Text.View(), "a text assigned to itself");
        Text = std::move(Same);
        EXPECT_EQ(Text.View(), "a text assigned to itself");
        EXPECT_EQ(SharedText::Join(Text, SharedText(std::string_view("!"))).View(),
                  "a text assigned to itself!");
        EXPECT_EQ(SharedText::Join(SharedText(std::string_view(">")), Text).View(),
                  ">a text assigned to itself");
    }
}

} // namespace
