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
        {"tab\there\x7F", "tab\\u0009here\\u007f"},
        {"\"quoted\"", "\"quoted\""},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(EscapeForScriptString(row.raw), row.escaped) << row.raw;
}

TEST(ScriptText, EveryCharacterBeyondAsciiBecomesAnEscape) {
    // The page declares no encoding, so a browser may read the script as
    // Windows-1252: only escapes get the text there intact.
    const EscapeRow rows[] = {
        {"Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", "Caf\\u00e9 \\u65e5\\u672c"},
        {"\xE2\x82\xAC"
         "5",
         "\\u20ac5"},                                        // three bytes
        {"\xF0\x9F\x93\xB7 photo", "\\ud83d\\udcf7 photo"},  // beyond U+FFFF: a surrogate pair
        {"\xF4\x8F\xBF\xBF", "\\udbff\\udfff"},              // the last character there is
        {"http://example.com/caf\xC3\xA9", "http://example.com/caf\\u00e9"},  // a link
        // Bytes that are no UTF-8 are read as Windows-1252, like old project files.
        {"Caf\xE9 \x80", "Caf\\u00e9 \\u20ac"},
        {"\xE2\x80", "\\u00e2\\u20ac"},             // a cut sequence
        {"\xC0\xAF", "\\u00c0\\u00af"},             // an overlong "/"
        {"\xED\xA0\x80", "\\u00ed\\u00a0\\u20ac"},  // an encoded surrogate
    };
    for (const auto& row : rows) {
        const std::string escaped = EscapeForScriptString(row.raw);
        EXPECT_EQ(escaped, row.escaped) << row.raw;
        for (char c : escaped) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << row.raw;
    }
    // Values written bare keep their ASCII as it is.
    EXPECT_EQ(EscapeNonAsciiForScript("VSlider1cfg"), "VSlider1cfg");
    EXPECT_EQ(EscapeNonAsciiForScript("Caf\xC3\xA9'"), "Caf\\u00e9'");
}

TEST(ScriptText, AttributeTextIsEscapedForThePage) {
    const EscapeRow rows[] = {
        {"VSlider1_div", "VSlider1_div"},
        {"a\"b'c<d>&e", "a&quot;b&#39;c&lt;d&gt;&amp;e"},
        {"Caf\xC3\xA9 \xE6\x97\xA5", "Caf&#233; &#26085;"},
        {"\xF0\x9F\x93\xB7", "&#128247;"},
        {"\xE9", "&#233;"},
    };
    for (const auto& row : rows) EXPECT_EQ(EscapeForHtmlAttribute(row.raw), row.escaped) << row.raw;
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

TEST(ScriptText, LinkQueriesBeyondAsciiArePercentEncodedInUtf8) {
    const EscapeRow rows[] = {
        {"http://example.com/search?q=\xE6\x9D\xB1\xE4\xBA\xAC",
         "http://example.com/search?q=%E6%9D%B1%E4%BA%AC"},
        // The path and the fragment are the browser's to encode; ASCII and
        // existing escapes stay.
        {"http://example.com/caf\xC3\xA9?a=%20b&c=\xC3\xA9#\xC3\xA9",
         "http://example.com/caf\xC3\xA9?a=%20b&c=%C3%A9#\xC3\xA9"},
        {"page.html?x=\xF0\x9F\x93\xB7?y=1", "page.html?x=%F0%9F%93%B7?y=1"},
        {"page.html?caf\xE9", "page.html?caf%C3%A9"},  // an old single-byte project
        {"http://example.com/?q=plain", "http://example.com/?q=plain"},
        {"http://example.com/#?\xC3\xA9", "http://example.com/#?\xC3\xA9"},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(EncodeLinkQuery(row.raw), row.escaped) << row.raw;
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
