#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/error.h"
#include "output/page_insertion.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

const std::vector<std::string> kHead{"<link href=\"./tessaline.css\" rel=stylesheet>",
                                     "<script src=\"./tessaline.js\"></script>"};
const std::vector<std::string> kDiv{"<div id=\"VSlider1_div\"><a href=\"x\">Caf\xC3\xA9</a></div>"};

// What an insertion into `page` gives, or the refusal's text.
std::string Insert(const std::string& page) {
    try {
        return InsertIntoPage(page, kHead, kDiv);
    } catch (const Error& e) {
        return std::string("refused: ") + e.what();
    }
}

struct Row {
    const char* name;
    std::string page;
    std::string expected;  // the whole result, or a part of the refusal
};

TEST(PageInsertion, OrdinaryAndHostilePages) {
    const std::string utf8Div = "<div id=\"VSlider1_div\"><a href=\"x\">Caf\xC3\xA9</a></div>";
    const std::string refDiv = "<div id=\"VSlider1_div\"><a href=\"x\">Caf&#xE9;</a></div>";
    const std::string head =
        "<!-- Marivel head -->\n<link href=\"./tessaline.css\" rel=stylesheet>\n"
        "<script src=\"./tessaline.js\"></script>\n<!-- /Marivel head -->\n";
    const std::vector<Row> rows = {
        {"plain LF page, undeclared: references",
         "<html><head>\n<title>t</title>\n</head>\n<body>\n<p>x</p>\n</body>\n</html>\n",
         "<html><head>\n<title>t</title>\n" + head + "</head>\n<body>\n<p>x</p>\n<!-- Marivel slider -->\n" +
             refDiv + "\n<!-- /Marivel slider -->\n</body>\n</html>\n"},
        {"CRLF, upper case, indented, UTF-8 declared",
         "<HTML>\r\n<HEAD><META CHARSET=\"UTF-8\">\r\n  </HEAD>\r\n<BODY>\r\n  </Body >\r\n</HTML>",
         "<HTML>\r\n<HEAD><META CHARSET=\"UTF-8\">\r\n  <!-- Marivel head -->\r\n  <link "
         "href=\"./tessaline.css\" "
         "rel=stylesheet>\r\n  <script src=\"./tessaline.js\"></script>\r\n  <!-- /Marivel head -->\r\n  "
         "</HEAD>\r\n<BODY>\r\n  <!-- Marivel slider -->\r\n  " +
             utf8Div + "\r\n  <!-- /Marivel slider -->\r\n  </Body >\r\n</HTML>"},
        {"BOM means UTF-8; closing tags after text on their line",
         "\xEF\xBB\xBF<head><title>t</title></head><body>x</body>",
         "\xEF\xBB\xBF<head><title>t</title>\r\n<!-- Marivel head -->\r\n<link href=\"./tessaline.css\" "
         "rel=stylesheet>\r\n<script src=\"./tessaline.js\"></script>\r\n<!-- /Marivel head "
         "-->\r\n</head><body>x\r\n"
         "<!-- Marivel slider -->\r\n" +
             utf8Div + "\r\n<!-- /Marivel slider -->\r\n</body>"},
        {"windows-1252 page keeps its bytes, gets references",
         "<head><meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=windows-1252\">\n</head>\n<body>"
         "\xE9t\xE9\n<!-- Marivel slider -->\n</body>\n",
         "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n" + head +
             "</head>\n<body>\xE9t\xE9\n<!-- Marivel slider -->\n" + refDiv +
             "\n<!-- /Marivel slider -->\n</body>\n"},
        {"the user's marker wins over </body>; tags in scripts and comments do not count",
         "<head><script>var s = '</head></body>';</script><!-- </head> -->\n</head>\n<body>\n"
         "  <!--marivel   SLIDER-->\n<p>after</p>\n</body>\n",
         "<head><script>var s = '</head></body>';</script><!-- </head> -->\n" + head +
             "</head>\n<body>\n  <!--marivel   SLIDER-->\n  " + refDiv +
             "\n  <!-- /Marivel slider -->\n<p>after</p>\n</body>\n"},
        {"no head", "<html><body>\n</body></html>", "refused: no </head>"},
        {"no body and no marker", "<head></head><p>x</p>", "refused: no </body> tag"},
        {"the marker twice", "<head></head><body><!-- Marivel slider --><!-- Marivel slider --></body>",
         "refused: is in it 2 times"},
        {"two </body>", "<head></head><body></body></body>", "refused: 2 </body> tags"},
        {"closing marker alone", "<head></head><body><!-- /Marivel slider --></body>",
         "refused: has no <!-- Marivel slider"},
        {"closing marker first", "<head></head><body><!-- /Marivel slider --><!-- Marivel slider --></body>",
         "refused: has no <!-- Marivel slider"},
        {"slider marker in the head", "<head><!-- Marivel slider --></head><body></body>",
         "refused: stands in the head"},
        {"the page's own tags between our markers",
         "<head></head><body><!-- Marivel slider --><p></body><!-- /Marivel slider -->",
         "refused: more than an earlier"},
        {"unclosed comment", "<head></head><body><!-- oops</body>", "refused: never closed"},
        {"unclosed script", "<head><script>x</head><body></body>", "refused: <script> is never closed"},
        {"UTF-16", std::string("\xFF\xFE<\0h\0", 6), "refused: UTF-16"},
    };
    const std::string refused = "refused: ";
    for (const Row& row : rows) {
        const std::string result = Insert(row.page);
        if (row.expected.rfind(refused, 0) != 0) {
            EXPECT_EQ(result, row.expected) << row.name;
            continue;
        }
        EXPECT_EQ(result.rfind(refused, 0), 0U) << row.name << "\n" << result;
        EXPECT_NE(result.find(row.expected.substr(refused.size())), std::string::npos) << row.name << "\n"
                                                                                       << result;
    }
}

// A second run changes no byte, a changed slider replaces only what lies
// between the markers, and everything outside them is the original page.
TEST(PageInsertion, RunTwiceIsIdempotentAndKeepsTheRest) {
    const std::string page =
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n\t<title>Mine</title>\r\n\t</head>\r\n<body>\r\n"
        "<h1>Photos</h1>\r\n\t<!-- Marivel slider -->\r\n<p>The end</p>\r\n</body>\r\n</html>\r\n";
    const std::string once = InsertIntoPage(page, kHead, kDiv);
    EXPECT_EQ(InsertIntoPage(once, kHead, kDiv), once);

    // Take out what lies between our markers (and the blocks we added whole):
    // the original is left.
    const std::size_t headStart = once.find("\t<!-- Marivel head -->");
    const std::size_t headEnd = once.find("<!-- /Marivel head -->\r\n") + 24;
    const std::size_t sliderStart = once.find("<!-- Marivel slider -->") + 23;
    const std::size_t sliderEnd = once.find("<!-- /Marivel slider -->") + 24;
    std::string outside = once;
    outside.erase(sliderStart, sliderEnd - sliderStart);
    outside.erase(headStart, headEnd - headStart);
    EXPECT_EQ(outside, page);

    const std::vector<std::string> otherDiv{"<div id=\"Other_div\"></div>", "<p>two lines</p>"};
    const std::string changed = InsertIntoPage(once, kHead, otherDiv);
    EXPECT_EQ(changed.substr(0, sliderStart), once.substr(0, sliderStart));
    EXPECT_EQ(changed.substr(changed.find("<!-- /Marivel slider -->")), once.substr(sliderEnd - 24));
    EXPECT_NE(changed.find("\r\n\t<div id=\"Other_div\"></div>\r\n\t<p>two lines</p>\r\n\t<!-- /Marivel"),
              std::string::npos);
    EXPECT_EQ(InsertIntoPage(changed, kHead, kDiv), once);
}

TEST(PageInsertionFile, WritesWithOneBackupAndLeavesAnEqualPageAlone) {
    test::TempDir dir;
    const fs::path page = dir / "index.html";
    const std::string original = "<head>\n</head>\n<body>\n</body>\n";
    WriteBytes(page, original);
    ::chmod(page.c_str(), 0600);

    EXPECT_EQ(InsertIntoPageFile(page, kHead, kDiv), PageInsertResult::Inserted);
    const std::string once = ReadBytes(page);
    EXPECT_EQ(once, InsertIntoPage(original, kHead, kDiv));
    EXPECT_EQ(ReadBytes(dir / "index.html~"), original);
    struct stat backup {};
    ASSERT_EQ(::stat((dir / "index.html~").c_str(), &backup), 0);
    EXPECT_EQ(backup.st_mode & 0777, 0600U) << "a private page's backup stays private";

    EXPECT_EQ(InsertIntoPageFile(page, kHead, kDiv), PageInsertResult::Unchanged);
    EXPECT_EQ(ReadBytes(page), once);
    EXPECT_EQ(ReadBytes(dir / "index.html~"), original) << "an unchanged page keeps its first backup";

    InsertIntoPageFile(page, kHead, {"<div id=\"b\"></div>"});
    EXPECT_EQ(ReadBytes(dir / "index.html~"), once) << "one backup: the page as it was before this run";
}

TEST(PageInsertionFile, RefusesLinksAndOtherFilesWritingNothing) {
    test::TempDir dir;
    const std::string original = "<head>\n</head>\n<body>\n</body>\n";
    WriteBytes(dir / "real.html", original);
    fs::create_symlink(dir / "real.html", dir / "link.html");
    fs::create_directory(dir / "folder.html");
    WriteBytes(dir / "taken.html", original);
    fs::create_symlink(dir / "real.html", dir / "taken.html~");
    WriteBytes(dir / "nohead.html", "<body></body>");

    const struct {
        const char* name;
        const char* complaint;
    } rows[] = {{"link.html", "symbolic link"},
                {"folder.html", "no regular file"},
                {"missing.html", "Cannot read"},
                {"taken.html", "no regular file (a link"},
                {"nohead.html", "no </head>"}};
    for (const auto& row : rows) {
        try {
            InsertIntoPageFile(dir / row.name, kHead, kDiv);
            ADD_FAILURE() << row.name << " was not refused";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(row.complaint), std::string::npos)
                << row.name << ": " << e.what();
        }
    }
    EXPECT_EQ(ReadBytes(dir / "real.html"), original);
    EXPECT_EQ(ReadBytes(dir / "taken.html"), original);
    EXPECT_FALSE(fs::exists(dir / "real.html~"));
    EXPECT_FALSE(fs::exists(dir / "nohead.html~"));
}

}  // namespace
}  // namespace marivel
