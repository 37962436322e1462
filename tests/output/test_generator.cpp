#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "generator_fixture.h"
#include "model/error.h"
#include "output/generated_files.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

class Generator : public test::GeneratorFixture {
protected:
    std::string Css() const { return ReadBytes(program / "tessaline.css"); }
    std::string Script() const { return ReadBytes(program / "tessalinecfg.js"); }
    static std::vector<std::string> ScriptBanner() {
        return {"/*",
                "Tessaline 1.1",
                "Made with Marivel 1.1, (C) Kelt Software",
                "https://www.kelt.example/marivel/",
                "https://www.kelt.example/support/",
                "*/"};
    }
    static std::vector<std::string> ScriptTail(const std::string& constructor) {
        // No eval and no string timer: a page with a strict script policy
        // runs them, and the array exists even without an item line.
        // Each script takes its items and its own address into its own
        // function, so a second script of the same name starts a new list.
        return {"function CIVSlider1(ipa){",
                "window.VSlider1cfg=window.VSlider1cfg||[];",
                "VSlider1cfg[VSlider1cfg.length]=ipa;};",
                "(function(VSlider1cfg,tessalineSrc){window.VSlider1cfg=[];",
                "function InitVSlider1(){",
                "if (!window.buah){window.setTimeout(InitVSlider1,350);return;};",
                constructor,
                "InitVSlider1();})(window.VSlider1cfg||[],(document.currentScript||{}).src);"};
    }
    std::vector<std::string> ScriptWith(const std::vector<std::string>& items, const std::string& ctor) {
        auto lines = ScriptBanner();
        lines.insert(lines.end(), items.begin(), items.end());
        for (auto& l : ScriptTail(ctor)) lines.push_back(l);
        return lines;
    }
    // Builds a page that must be refused with `expected` in its message, and
    // checks that neither the stylesheet (holding "old css") nor the page
    // was written.
    void ExpectRefused(const std::string& expected) {
        try {
            agent->MakeHTMLCodes(dir / "page.html", tree);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadBytes(program / "tessaline.css"), "old css");
        EXPECT_FALSE(fs::exists(dir / "page.html"));
    }
};

TEST_F(Generator, WorkedExampleGivesTheThreeFilesByteForByte) {
    AddItem(Photo("photo.jpg", 1000, 750));
    agent->AppletData.ContainerBorderStyle = "0";
    const fs::path page = dir / "page.html";
    agent->MakeHTMLCodes(page, tree);

    EXPECT_EQ(
        Css(),
        Lines({"/*",
               "Tessaline 1.0",
               "Made with Marivel 1.1, (C) Kelt Software",
               "https://www.kelt.example/marivel/",
               "https://www.kelt.example/support/",
               "*/",
               ".slidercontainer{",
               "BORDER:#FFFF00 0px none;",
               "}",
               ".sliderimages{",
               "BORDER:#DBEAF5 4px dashed;",
               "}",
               ".sliderpause{",
               "position:absolute;top:6px;right:6px;z-index:1;box-sizing:border-box;"
               "width:30px;height:30px;",
               "margin:0;padding:0;border:2px solid #FFF;border-radius:50%;background:rgba(0,0,0,.6);",
               "cursor:pointer;opacity:0;",
               "}",
               ".sliderhost:hover .sliderpause,.sliderhost:focus-within .sliderpause,"
               ".sliderpause[aria-pressed=true]{opacity:1;}",
               "@media (hover:none){.sliderpause{opacity:1;}}",
               ".sliderpause::before{content:\"\";display:block;box-sizing:border-box;margin:auto;"
               "width:10px;height:12px;border:solid #FFF;border-width:0 3px;}",
               ".sliderpause[aria-pressed=true]::before{width:0;margin-left:9px;"
               "border-color:transparent #FFF;border-width:6px 0 6px 10px;}",
               ".slidercontainer a:focus-visible{outline-offset:-3px;}",
               ".sliderprev,.slidernext{",
               "position:absolute;top:9px;z-index:1;box-sizing:border-box;width:24px;height:24px;margin:0;"
               "padding:0;",
               "border:2px solid #FFF;border-radius:50%;background:rgba(0,0,0,.6);cursor:pointer;opacity:0;",
               "}",
               ".sliderprev{right:68px;}.slidernext{right:40px;}",
               ".sliderhost:hover .sliderprev,.sliderhost:hover .slidernext,.sliderhost:focus-within "
               ".sliderprev,.sliderhost:focus-within .slidernext,.sliderpause[aria-pressed=true]~button"
               "{opacity:1;}",
               "@media (hover:none){.sliderprev,.slidernext{opacity:1;}}",
               ".sliderprev::before,.slidernext::before{content:\"\";display:block;width:0;margin:auto;"
               "border:solid transparent;border-width:0 5px 7px;border-bottom-color:#FFF;}",
               ".slidernext::before{border-width:7px 5px 0;border-color:#FFF transparent transparent;}",
               "#VSlider1_div{width:168px;height:408px;overflow:auto;}",
               "#VSlider1_div>a>img,#VSlider1_div>img{display:block;}"}));
    EXPECT_EQ(Script(),
              Lines(ScriptWith({"CIVSlider1(['slider0.jpg','http://','_self','',168,126]);"},
                               "new window.BKag('VSlider1_div',168,408,1,39,0,0,'FFFFFF',VSlider1cfg,4,0,"
                               "tessalineSrc);};")));
    EXPECT_EQ(ReadBytes(page),
              Lines({"<!-- saved from url=(0025)https://www.kelt.example/ -->",
                     "<html>",
                     "<head>",
                     "<title>Preview</title>",
                     "</head>",
                     "<body>",
                     "",
                     "<!-- Tessaline 1.1 -->",
                     "<!-- Made with Marivel 1.1, (C) Kelt Software -->",
                     "<!-- https://www.kelt.example/marivel/ -->",
                     "<!-- NOTE: Please insert these codes into <body> section of Web pages. -->",
                     "<!-- BEGIN -->",
                     "<link href=\"./tessaline.css\" type=text/css rel=stylesheet>",
                     "<script language=\"javascript\" src=\"./tessaline.js\"></script>",
                     "<script language=\"javascript\" src=\"./tessalinecfg.js\"></script>",
                     "<!-- END -->",
                     "",
                     "<!-- Please insert the <div> below to your Web page where you would -->",
                     "<!-- like to include the menu. -->",
                     "<div id=\"VSlider1_div\" style=\"width:168px;height:408px;\">",
                     "<a href=\"http://\"><img src=\"slider0.jpg\" alt=\"\" width=\"168\" height=\"126\" "
                     "loading=\"lazy\"></a>",
                     "</div>",
                     "",
                     "</body>",
                     "</html>"}));

    const SliderItem item = agent->GetItem(0);
    EXPECT_EQ(item.ImageFile, "slider0.jpg");
    EXPECT_EQ(item.ImageWidth, "168");
    EXPECT_EQ(item.ImageHeight, "126");
    EXPECT_EQ(tree.caption(1), "Item");
    const auto prepared = test::ReadJpeg(agent->PreviewFolder() / "slider0.jpg");
    EXPECT_EQ(prepared.width, 168);
    EXPECT_EQ(prepared.height, 126);
    EXPECT_EQ(agent->PreviewFiles, std::vector<std::string>{"slider0.jpg"});
}

TEST_F(Generator, ProjectWithoutItemsWritesBannerAndFixedLinesOnly) {
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(Script(),
              Lines(ScriptWith({},
                               "new window.BKag('VSlider1_div',168,408,1,39,0,0,'FFFFFF',VSlider1cfg,4,0,"
                               "tessalineSrc);};")));
    EXPECT_FALSE(fs::exists(agent->PreviewFolder()));
    EXPECT_TRUE(agent->PreviewFiles.empty());
}

TEST_F(Generator, ShowsItsActivityAndLeavesTheProgressBarAlone) {
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(display.events,
              (std::vector<std::string>{"hint:Making HTML Codes ... ...", "busy", "hint:", "idle"}));
}

struct BorderRow {
    std::string imageStyle, imageWidth, containerStyle, containerWidth, height;
    std::string ctorTail;  // height ... image border, container border
    std::string containerRule, imageRule;
};

TEST_F(Generator, BorderAllowanceGoesIntoTheFilesButNotTheModel) {
    const BorderRow rows[] = {
        {"0", "4", "2", "2", "400", "404,1,39,0,0,'FFFFFF',VSlider1cfg,0,2", "BORDER:#FFFF00 2px dashed;",
         "BORDER:#DBEAF5 0px none;"},
        {"3", "1", "3", "5", "100", "112,1,39,0,0,'FFFFFF',VSlider1cfg,1,5", "BORDER:#FFFF00 5px solid;",
         "BORDER:#DBEAF5 1px solid;"},
        {"0", "7", "0", "9", "250", "250,1,39,0,0,'FFFFFF',VSlider1cfg,0,0", "BORDER:#FFFF00 0px none;",
         "BORDER:#DBEAF5 0px none;"},
        {"12", "2", "-1", "3", "10", "20,1,39,0,0,'FFFFFF',VSlider1cfg,2,3", "BORDER:#FFFF00 3px solid;",
         "BORDER:#DBEAF5 2px solid;"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.ctorTail);
        SliderSettings& a = agent->AppletData;
        a.ImageBorderStyle = r.imageStyle;
        a.ImageBorderWidth = r.imageWidth;
        a.ContainerBorderStyle = r.containerStyle;
        a.ContainerBorderWidth = r.containerWidth;
        a.Height = r.height;
        const SliderSettings entered = a;
        // Twice: a second run must not add the allowance again.
        for (int run = 0; run < 2; ++run) {
            agent->MakeHTMLCodes(dir / "page.html", tree);
            EXPECT_NE(Script().find("new window.BKag('VSlider1_div',168," + r.ctorTail + ",tessalineSrc);};"),
                      std::string::npos);
            EXPECT_NE(Css().find(r.containerRule + "\r\n}\r\n.sliderimages{\r\n" + r.imageRule),
                      std::string::npos);
            const std::string height = r.ctorTail.substr(0, r.ctorTail.find(','));
            EXPECT_NE(ReadBytes(dir / "page.html").find("height:" + height + "px;"), std::string::npos);
            EXPECT_EQ(agent->AppletData, entered);
        }
    }
}

TEST_F(Generator, AHeightThatDoesNotFitIsRefusedNamingTheField) {
    struct Row {
        std::string height, imageWidth, imageStyle, containerWidth, containerStyle;
        std::string message;  // empty: accepted
    };
    const Row rows[] = {
        {"400", "2000000000", "2", "4", "0",
         "The image border width 2000000000 is too large: the slider height with its borders would be "
         "4000000400 pixels"},
        {"400", "4", "2", "1500000000", "3", "The container border width 1500000000 is too large"},
        {"2147483647", "4", "2", "0", "3", "The slider height 2147483647 is too large"},
        {"400", "-2000000000", "2", "4", "0", "The image border width -2000000000 is too small"},
        {"-2147483648", "-1", "1", "0", "0", "The slider height -2147483648 is too small"},
        // A border that is not drawn adds nothing, however wide.
        {"400", "2000000000", "0", "2147483647", "0", ""},
        // The largest height there is.
        {"9999", "4", "0", "4", "0", ""},
        // Far beyond what the editor lets a user enter, though it would fit.
        {"2147483639", "2", "1", "2", "1",
         "The slider height 2147483639 is too large: it can be at most 9999"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.height + " " + r.imageWidth + " " + r.containerWidth);
        WriteBytes(program / "tessaline.css", "old css");
        fs::remove(dir / "page.html");
        SliderSettings& a = agent->AppletData;
        a.Height = r.height;
        a.ImageBorderWidth = r.imageWidth;
        a.ImageBorderStyle = r.imageStyle;
        a.ContainerBorderWidth = r.containerWidth;
        a.ContainerBorderStyle = r.containerStyle;
        if (r.message.empty()) {
            agent->MakeHTMLCodes(dir / "page.html", tree);
            const std::string page = ReadBytes(dir / "page.html");
            EXPECT_NE(page.find("height:" + r.height + "px"), std::string::npos) << page;
            continue;
        }
        ExpectRefused(r.message);
    }
}

TEST_F(Generator, TextBeyondAsciiReachesThePageAsEscapesAndStaysRawInTheModel) {
    const std::string tip = "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";
    const std::string link = "http://example.com/caf\xC3\xA9?q=\xE6\x97\xA5";
    AddItem(Photo("photo.jpg", 336, 200));
    agent->Items[0].ToolTip = tip;
    agent->Items[0].Link = link;
    agent->Items[0].Target = "cadre_\xC3\xA9t\xC3\xA9";
    agent->AppletData.DivId = "zon\xC3\xA9_div";
    agent->AppletData.CfgName = "VSlider1cfg";
    agent->MakeHTMLCodes(dir / "page.html", tree);

    const std::string script = Script(), page = ReadBytes(dir / "page.html");
    for (const std::string* text : {&script, &page})
        for (char c : *text) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << *text;
    EXPECT_NE(
        script.find(
            "CIVSlider1(['slider0.jpg','http://example.com/caf\\u00e9?q=%E6%97%A5','cadre_\\u00e9t\\u00e9',"
            "'Caf\\u00e9 \\u65e5\\u672c',168,100]);"),
        std::string::npos)
        << script;
    EXPECT_NE(script.find("new window.BKag('zon\\u00e9_div',"), std::string::npos) << script;
    EXPECT_NE(page.find("<div id=\"zon&#233;_div\" style="), std::string::npos) << page;
    EXPECT_EQ(agent->Items[0].ToolTip, tip);
    EXPECT_EQ(agent->Items[0].Link, link);
}

TEST_F(Generator, LevelsFollowTheTreeAndLinksAreRewritten) {
    const int a = AddItem("");
    const int b = AddItem("", a);
    AddItem("", b);
    AddItem("");
    for (auto& item : agent->Items) item.Level = "";  // as after committing the item pane
    agent->Items[1].Link = "HTTP://WWW.EXAMPLE.COM/x.html";
    agent->AppletData.RootDirRemote = "http://www.example.com/";
    agent->AppletData.RootDirLocal = "file:///C:/site/";
    agent->AppletData.RootDirLocalChecked = "1";
    agent->MakeHTMLCodes(dir / "page.html", tree);
    std::vector<std::string> levels;
    for (const auto& item : agent->Items) levels.push_back(item.Level);
    EXPECT_EQ(levels, (std::vector<std::string>{"0", "1", "2", "0"}));
    EXPECT_EQ(agent->Items[1].Link, "file:///C:/site/x.html");
    EXPECT_NE(Script().find("CIVSlider1(['','file:///C:/site/x.html','_self','',160,120]);"),
              std::string::npos);
}

TEST_F(Generator, MissingImagesKeepTheirEarlierNamesAndSizes) {
    const std::string photo = Photo("photo.jpg", 400, 300);
    AddItem(photo);
    AddItem((dir / "gone.jpg").string());
    AddItem("   ");
    AddItem(dir.path().string());  // a folder, not a picture
    agent->Items[1].ImageFile = "slider3.jpg";
    agent->Items[1].ImageWidth = "168";
    agent->Items[1].ImageHeight = "99";
    agent->Items[2].ImageFile = "";
    agent->Items[2].ImageWidth = "";
    agent->Items[2].ImageHeight = "";
    agent->MakeHTMLCodes(dir / "page.html", tree);

    EXPECT_EQ(tree.caption(1), "Item");
    EXPECT_EQ(tree.caption(2), "Warning: Original image not found.");
    EXPECT_EQ(tree.caption(3), "Warning: Original image not found.");
    EXPECT_EQ(tree.caption(4), "Warning: Original image not found.");
    const std::string script = Script();
    EXPECT_NE(script.find("CIVSlider1(['slider0.jpg','http://','_self','',168,126]);"), std::string::npos);
    EXPECT_NE(script.find("CIVSlider1(['slider3.jpg','http://','_self','',168,99]);"), std::string::npos);
    EXPECT_NE(script.find("CIVSlider1(['','http://','_self','',,]);"), std::string::npos);
    EXPECT_EQ(agent->PreviewFiles, std::vector<std::string>{"slider0.jpg"});
    // Nor does the folder fail a save.
    fs::create_directory(dir / "site");
    EXPECT_NO_THROW(agent->SaveAndPublish(dir / "site", "p.mvl", tree));
    EXPECT_EQ(tree.caption(4), "Warning: Original image not found.");

    // The image comes back: the caption follows and the item is prepared.
    fs::copy_file(photo, dir / "gone.jpg");
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(tree.caption(2), "Item");
    EXPECT_EQ(agent->GetItem(1).ImageFile, "slider1.jpg");
}

TEST_F(Generator, TwoItemsWithOneSourceGiveTwoFiles) {
    const std::string photo = Photo("photo.jpg", 336, 100);
    AddItem(photo);
    AddItem(photo);
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(agent->PreviewFiles, (std::vector<std::string>{"slider0.jpg", "slider1.jpg"}));
    EXPECT_TRUE(fs::exists(agent->PreviewFolder() / "slider1.jpg"));
    EXPECT_EQ(agent->GetItem(1).ImageHeight, "50");
    // Scratch copies are gone again: nothing but the generated files in the
    // program folder.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(program)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3);
}

TEST_F(Generator, ItemTextsAreEscapedInTheScriptOnly) {
    AddItem("");
    agent->Items[0].ToolTip = "Tom's photo";
    agent->Items[0].Link = "javascript:alert('x')</script>";
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_NE(Script().find(
                  "CIVSlider1(['','javascript:alert(\\'x\\')<\\/script>','_self','Tom\\'s photo',160,120]);"),
              std::string::npos);
    EXPECT_EQ(agent->Items[0].ToolTip, "Tom's photo");
}

TEST_F(Generator, RefusedRunsWriteNothing) {
    const std::string photo = Photo("photo.jpg", 64, 48);
    WriteBytes(dir / "broken.jpg", "this is no picture");
    struct Row {
        std::string sliderName, width, source, expected;
    };
    const Row rows[] = {
        {"my slider", "168", photo, "The slider name \"my slider\" cannot name the slider's script"},
        {"1st", "168", photo, "The slider name \"1st\""},
        {"", "168", "", "The slider name \"\""},
        {"VSlider1", "0", photo, "The slider width 0 is too small"},
        {"VSlider1", "-5", photo, "The slider width -5 is too small"},
        {"VSlider1", "168", (dir / "broken.jpg").string(), (dir / "broken.jpg").string()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.expected);
        WriteBytes(program / "tessaline.css", "old css");
        agent->Items.clear();
        tree.reset("Marivel");
        AddItem(r.source);
        agent->AppletData.SliderName = r.sliderName;
        agent->AppletData.Width = r.width;
        ExpectRefused(r.expected);
        EXPECT_FALSE(fs::exists(program / "tessalinecfg.js"));
        EXPECT_FALSE(fs::exists(agent->PreviewFolder() / "slider0.jpg"));
        EXPECT_EQ(display.hint, "");
        EXPECT_FALSE(display.busy);
    }
}

TEST_F(Generator, ValuesWrittenOutsideScriptStringsMustBeWhatTheyStandFor) {
    // A project file may hold anything; these values are written bare into
    // the script, so text there would run as the visitor's script.
    const std::string photo = Photo("photo.jpg", 64, 48);
    SliderSettings applet = agent->AppletData;
    applet.Height = "40";
    applet.ImageBorderStyle = "0";
    applet.ContainerBorderStyle = "0";
    struct Row {
        std::function<void(PublishingAgent&)> set;
        std::string expected;                        // the refusal; empty: accepted
        std::string constructor{}, page{}, sizes{};  // what is written when accepted
    };
    const Row rows[] = {
        {[](auto& a) { a.AppletData.Step = "1);document.title='x';(1"; },
         "The scrolling step \"1);document.title='x';(1\" is not a whole number"},
        {[](auto& a) { a.AppletData.Delay = ""; }, "The scrolling delay \"\" is not a whole number"},
        {[](auto& a) { a.AppletData.Gap = "0x10"; }, "The gap between images \"0x10\""},
        {[](auto& a) { a.AppletData.TrailerSpace = "1e3"; }, "The space after the last image \"1e3\""},
        {[](auto& a) { a.AppletData.Width = "abc"; }, "The slider width \"abc\" is not a whole number"},
        {[](auto& a) { a.AppletData.Height = ""; }, "The slider height \"\" is not a whole number"},
        {[](auto& a) { a.AppletData.ImageBorderWidth = "4;"; }, "The image border width \"4;\""},
        {[](auto& a) { a.AppletData.ContainerBorderStyle = "none"; }, "The container border style \"none\""},
        // The stylesheet is included by the site's pages: a colour must not
        // end its rule.
        {[](auto& a) { a.AppletData.ContainerBorderColor = "000;}body{display:none"; },
         "The container border colour \"000;}body{display:none\" is not a colour of six hexadecimal digits"},
        {[](auto& a) { a.AppletData.ImageBorderColor = "DBEAF"; }, "The image border colour \"DBEAF\""},
        {[](auto& a) { a.AppletData.CfgName = "VSlider1cfg;alert(1)"; },
         "The configuration array name \"VSlider1cfg;alert(1)\" cannot name the slider's array"},
        // An item that keeps its earlier size: that size is written bare too.
        {[](auto& a) { a.Items[1].ImageWidth = "1]);alert(1);//"; },
         "The image width of item 2 \"1]);alert(1);//\" is not a whole number"},
        {[](auto& a) { a.Items[1].ImageHeight = " 5"; }, "The image height of item 2 \" 5\""},
        // Its kept name is read and published beside the project.
        {[](auto& a) { a.Items[1].ImageFile = "../../.ssh/authorized_keys"; },
         "The prepared image name of item 2 \"../../.ssh/authorized_keys\" is not a file name"},
        {[](auto& a) { a.Items[1].ImageFile = ".."; }, "The prepared image name of item 2 \"..\""},
        // A size the image pass replaces is not looked at.
        {[](auto& a) {
             a.Items[0].ImageWidth = "junk";
             a.Items[0].ImageFile = "../x.jpg";
         },
         "", "168,40,1,39", "width:168px;height:40px;", "168,126]);"},
        // An empty colour only loses its border in the browser.
        {[](auto& a) { a.AppletData.ContainerBorderColor = ""; }, "", "168,40,1,39",
         "width:168px;height:40px;", "168,126]);"},
        // Numbers are written in their plain form: "010" would be octal 8.
        {[](auto& a) {
             a.AppletData.Width = "+0168";
             a.AppletData.Step = "010";
             a.Items[1].ImageWidth = "-0";
         },
         "", "168,40,10,39", "width:168px;height:40px;", "0,9]);"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.expected.empty() ? r.constructor : r.expected);
        WriteBytes(program / "tessaline.css", "old css");
        fs::remove(dir / "page.html");
        agent->Items.clear();
        tree.reset("Marivel");
        agent->AppletData = applet;
        AddItem(photo);
        AddItem((dir / "gone.jpg").string());
        agent->Items[1].ImageFile = "slider7.jpg";
        agent->Items[1].ImageWidth = "168";
        agent->Items[1].ImageHeight = "9";
        r.set(*agent);
        if (r.expected.empty()) {
            agent->MakeHTMLCodes(dir / "page.html", tree);
            EXPECT_NE(Script().find("new window.BKag('VSlider1_div'," + r.constructor + ","),
                      std::string::npos)
                << Script();
            EXPECT_NE(Script().find(r.sizes), std::string::npos) << Script();
            EXPECT_NE(ReadBytes(dir / "page.html").find(r.page), std::string::npos);
            continue;
        }
        ExpectRefused(r.expected);
        EXPECT_FALSE(fs::exists(agent->PreviewFolder() / "slider0.jpg"));
    }
}

TEST_F(Generator, ZeroWidthIsFineWhenNoImageHasToBeScaled) {
    AddItem("");
    agent->AppletData.Width = "0";
    EXPECT_NO_THROW(agent->MakeHTMLCodes(dir / "page.html", tree));
}

}  // namespace
}  // namespace marivel

namespace marivel {
namespace {

// What a designer pastes (Copy Div, Insert into Page) and what the sample
// page shows: the pictures as plain links in item order, for visitors
// without scripts; no style attribute on the pasted div.
TEST(PageDiv, HoldsThePreparedPicturesAsLinksInItemOrder) {
    SliderSettings applet;
    applet.DivId = "VSlider1_div";
    applet.Width = "168";
    applet.Height = "408";
    auto item = [](std::string file, std::string link, std::string target, std::string tip, std::string w,
                   std::string h) {
        SliderItem it;
        it.ImageFile = file;
        it.Link = link;
        it.Target = target;
        it.ToolTip = tip;
        it.ImageWidth = w;
        it.ImageHeight = h;
        return it;
    };
    const SliderItemList items = {
        item("slider0.jpg", "http://a.example/?q=\"x\"&y=\xC3\xA9", "_blank", "Tom's <b> caf\xC3\xA9", "168",
             "126"),
        item("", "http://never.example/", "_self", "never prepared", "", ""),
        item("slider2.jpg", "", "_self", "no link", "", "90"),   // no width: the slider's
        item("slider3.jpg", "x.html", "_self", "", "168", "0"),  // no height: no place
        item("slider4.jpg", "y.html", "", "", "abc", "12x"),     // sizes that are no numbers
        item("slider5.jpg", "z.html", "_self", "", "168", "40"),
    };
    const std::vector<std::string> pasted = PageDivLines(applet, items);
    const std::vector<std::string> expected = {
        "<div id=\"VSlider1_div\">",
        "<a href=\"http://a.example/?q=&quot;x&quot;&amp;y=%C3%A9\" target=\"_blank\"><img "
        "src=\"slider0.jpg\" "
        "alt=\"Tom&#39;s &lt;b&gt; caf&#233;\" width=\"168\" height=\"126\" loading=\"lazy\"></a>",
        "<img src=\"slider2.jpg\" alt=\"no link\" width=\"168\" height=\"90\" loading=\"lazy\">",
        "<a href=\"z.html\"><img src=\"slider5.jpg\" alt=\"\" width=\"168\" height=\"40\" "
        "loading=\"lazy\"></a>",
        "</div>",
    };
    EXPECT_EQ(pasted, expected);

    // The sample page keeps its style attribute around the same fallback.
    const std::vector<std::string> page =
        PageLines(applet, {"tessaline.js", "tessalinecfg.js", "tessaline.css"}, items);
    auto at =
        std::find(page.begin(), page.end(), "<div id=\"VSlider1_div\" style=\"width:168px;height:408px;\">");
    ASSERT_NE(at, page.end());
    EXPECT_EQ(std::vector<std::string>(at + 1, at + static_cast<long>(expected.size())),
              std::vector<std::string>(expected.begin() + 1, expected.end()));

    // Nothing prepared: the one-line empty div, as before.
    EXPECT_EQ(PageDivLines(applet, {items[1]}), std::vector<std::string>{"<div id=\"VSlider1_div\"></div>"});
}

// The stylesheet sizes the div by its id, escaped so that any id selects
// exactly its div and no id can end the rule.
TEST(PageDiv, TheStylesheetSizesTheDivByItsId) {
    struct Row {
        std::string id, selector;  // empty selector: no rule
    };
    const Row rows[] = {
        {"VSlider1_div", "#VSlider1_div"},        {"zon\xC3\xA9_div", "#zon\\e9 _div"},
        {"1st-slider", "#\\31 st-slider"},        {"-9", "#\\2d 9"},
        {"a b\"}{x", "#a\\20 b\\22 \\7d \\7b x"}, {"", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        SliderSettings applet;
        applet.DivId = r.id;
        applet.Width = "120";
        applet.Height = "300";
        applet.ImageBorderWidth = applet.ContainerBorderWidth = "0";
        applet.ImageBorderStyle = applet.ContainerBorderStyle = "0";
        const std::vector<std::string> css = StyleSheetLines(applet);
        const std::string size = r.selector + "{width:120px;height:300px;overflow:auto;}";
        const bool found = std::find(css.begin(), css.end(), size) != css.end();
        EXPECT_EQ(found, !r.selector.empty());
        if (!r.selector.empty()) continue;
        for (const std::string& line : css) EXPECT_NE(line.rfind("#", 0), 0U) << line;
    }
}

}  // namespace
}  // namespace marivel
