#include <gtest/gtest.h>

#include <string>

#include "output/script_text.h"

namespace marivel {
namespace {

struct EscapeRow {
    std::string raw;
    std::string escaped;
};

TEST(ScriptText, EscapesWhatWouldEndOrBreakTheString) {
    const EscapeRow rows[] = {
        {"Tom's photo", "Tom\\'s photo"},
        {"C:\\photos\\a.jpg", "C:\\\\photos\\\\a.jpg"},
        {"two\r\nlines", "two\\r\\nlines"},
        {"</script><b>", "<\\/script><b>"},
        {"a < b", "a < b"},
        {"line\xE2\x80\xA8sep\xE2\x80\xA9", "line\\u2028sep\\u2029"},
        // Other UTF-8 and code-page bytes pass through untouched.
        {"caf\xC3\xA9 \xE2\x82\xAC \xE9", "caf\xC3\xA9 \xE2\x82\xAC \xE9"},
        {"\xE2\x80", "\xE2\x80"},
        {"\"quoted\"", "\"quoted\""},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(EscapeForScriptString(row.raw), row.escaped) << row.raw;
}

TEST(ScriptText, SliderNamesThatFormIdentifiers) {
    for (const char* good : {"VSlider1", "_x", "$", "a$_9", "Z"})
        EXPECT_TRUE(IsScriptIdentifier(good)) << good;
    for (const char* bad : {"", "1slider", "my slider", "a-b", "x.y", "caf\xC3\xA9", "a'b", " VSlider1"})
        EXPECT_FALSE(IsScriptIdentifier(bad)) << bad;
}

TEST(ScriptText, ReplacesIgnoringCaseWithoutRescanningInsertedText) {
    EXPECT_EQ(ReplaceAllIgnoreCase("HTTP://Site/a http://site/b", "http://site/", "file:///c:/w/"),
              "file:///c:/w/a file:///c:/w/b");
    EXPECT_EQ(ReplaceAllIgnoreCase("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAllIgnoreCase("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(ReplaceAllIgnoreCase("abc", "", "x"), "abc");
}

struct LinkRow {
    std::string checked, local, remote, link, expected;
};

TEST(ScriptText, RewritesLinksBetweenTheTwoRoots) {
    const std::string web = "http://www.example.com/site/";
    const std::string local = "file:///C:/Site/";
    const LinkRow rows[] = {
        // To local: the web root in capitals still matches.
        {"1", local, web, "HTTP://WWW.EXAMPLE.COM/SITE/page.html", local + "page.html"},
        {"1", local, web, "file:///c:/site/page.html", "file:///c:/site/page.html"},
        // To web: any value other than "1".
        {"0", local, web, "file:///c:/site/page.html", web + "page.html"},
        {"", local, web, "file:///c:/site/page.html", web + "page.html"},
        {"0", local, web, "HTTP://WWW.EXAMPLE.COM/SITE/page.html", "HTTP://WWW.EXAMPLE.COM/SITE/page.html"},
        // A blank root leaves every link alone.
        {"1", "", web, web + "x", web + "x"},
        {"0", local, "  ", local + "x", local + "x"},
        {"0", "", "", "x", "x"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(RewriteLink(r.link, r.local, r.remote, r.checked), r.expected)
            << r.checked << " " << r.link;
}

TEST(ScriptText, BaseNameDropsTheExtensionEverywhere) {
    const std::pair<std::string, std::string> rows[] = {
        {"Slider.MVL", "Slider"}, {"my.slider.mvl", "my.slider"}, {"demo.txt", "demo"}, {"plain", "plain"},
        {"a.mvl.MVL", "a"},       {"x.mvl2.mvl", "x2"},
    };
    for (const auto& [name, base] : rows) EXPECT_EQ(PublishBaseName(name), base) << name;
}

}  // namespace
}  // namespace marivel
