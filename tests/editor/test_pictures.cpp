// Pictures in the editor: Insert Pictures and file drops (one road into the
// tree and the item array), the drop places, the thumbnails, the items'
// tooltips and captions, and the header reader underneath.
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>
#include <chrono>
#include <filesystem>

#include "documents/document_commands.h"
#include "editor/editor_fixture.h"
#include "editor/icon_set.h"
#include "editor/item_decorations.h"
#include "editor/item_page.h"
#include "editor/picture_files.h"
#include "editor/picture_thumbnails.h"
#include "model/error.h"
#include "output/content_hash.h"
#include "output/jpeg_probe.h"
#include "platform/typed_settings.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Kind = ScriptedPrompter::Kind;

TEST(PictureFiles, NaturalOrderComparesNumbersByValueAndLettersWithoutCase) {
    struct Row {
        const char* a;
        const char* b;
        bool less;
    } rows[] = {
        {"photo2.jpg", "photo10.jpg", true},
        {"photo10.jpg", "photo2.jpg", false},
        {"Photo1.jpg", "photo2.jpg", true},
        {"a007.jpg", "a7.jpg", true},  // equal numbers: plain text decides
        {"a7.jpg", "a007.jpg", false},
        {"img.jpg", "img1.jpg", true},
        {"b.jpg", "a100.jpg", false},
        {"x99999999999999999999.jpg", "x100000000000000000000.jpg", true},
        {"x0b.jpg", "x0a.jpg", false},  // a number of zeros is still a number
        {"x0a.jpg", "x0b.jpg", true},
        {"x0.jpg", "x00.jpg", true},
        {"x00.jpg", "x0.jpg", false},
        {"x0", "x1", true},
        {"x00", "x", false},
    };
    for (const Row& row : rows) EXPECT_EQ(NaturalLess(row.a, row.b), row.less) << row.a << " < " << row.b;
    QStringList files{"/z/p10.jpg", "/a/p9.jpg", "/b/P1.jpg", "/a/p10.jpg"};
    SortByNaturalName(files);
    EXPECT_EQ(files, (QStringList{"/b/P1.jpg", "/a/p9.jpg", "/a/p10.jpg", "/z/p10.jpg"}));
}

TEST(PictureFiles, TheMessageNamesAtMostTenFiles) {
    struct Row {
        int count;
        int namedLines;
        QString last;
    } rows[] = {{1, 1, "f1"}, {10, 10, "f10"}, {11, 10, "and 1 more"}, {25, 10, "and 15 more"}};
    for (const Row& row : rows) {
        QStringList names;
        for (int i = 1; i <= row.count; ++i) names << QStringLiteral("f%1").arg(i);
        const QStringList lines = NotAddedMessage(names).split('\n');
        EXPECT_EQ(lines.size(), 1 + row.namedLines + (row.count > 10 ? 1 : 0)) << row.count;
        EXPECT_EQ(lines.last(), row.last);
    }
}

TEST(JpegProbe, HeadersGiveTheUprightSizeAndRefuseWhatIsNoJpeg) {
    TempDir dir;
    const auto orange = [](int, int) { return Rgb{200, 60, 30}; };
    WriteJpeg(dir.path() / "wide.jpg", {.width = 64, .height = 48, .pixel = orange});
    WriteJpeg(dir.path() / "turned.jpg", {.width = 64, .height = 48, .orientation = 6, .pixel = orange});
    // The first Exif block decides.
    WriteJpeg(dir.path() / "twice.jpg",
              {.width = 64, .height = 48, .orientation = 6, .secondOrientation = 1, .pixel = orange});
    WriteJpeg(dir.path() / "gray.jpg",
              {.width = 40, .height = 30, .model = JpegModel::Gray, .pixel = orange});
    WriteJpeg(dir.path() / "cmyk.jpg",
              {.width = 40, .height = 30, .model = JpegModel::AdobeCmyk, .pixel = orange});
    WriteJpeg(dir.path() / "plain cmyk.jpg",
              {.width = 40, .height = 30, .model = JpegModel::PlainCmyk, .pixel = orange});
    QFile text(QString::fromStdString((dir.path() / "notes.jpg").string()));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    struct Row {
        const char* name;
        int width, height;                // 0: refused
        int reducedWidth, reducedHeight;  // as stored, decoded to cover 8 x 8
        Rgb colour;
    } rows[] = {{"wide.jpg", 64, 48, 8, 6, {200, 60, 30}},  // exactly an eighth covers it
                {"turned.jpg", 48, 64, 8, 6, {200, 60, 30}},
                {"twice.jpg", 48, 64, 8, 6, {200, 60, 30}},
                {"gray.jpg", 40, 30, 10, 8, {60, 60, 60}},
                {"cmyk.jpg", 40, 30, 10, 8, {200, 60, 30}},
                {"plain cmyk.jpg", 40, 30, 10, 8, {200, 60, 30}},
                {"notes.jpg", 0, 0, 0, 0, {}},
                {"missing.jpg", 0, 0, 0, 0, {}}};
    std::vector<fs::path> files;
    for (const Row& row : rows) files.push_back(dir.path() / row.name);
    int waits = 0;
    const std::vector<HeaderRead> read = ReadJpegHeaders(files, [&](std::size_t) { ++waits; });
    ASSERT_EQ(read.size(), std::size(rows));
    for (std::size_t k = 0; k < read.size(); ++k) {
        const Row& row = rows[k];
        EXPECT_EQ(read[k].header.has_value(), row.width > 0) << row.name;
        if (!read[k].header) {
            EXPECT_NE(read[k].error.find(row.name), std::string::npos) << read[k].error;
            EXPECT_THROW(DecodeReducedJpeg(files[k], 8, 8), Error) << row.name;
            EXPECT_THROW(ReadExifThumbnail(files[k], 8, 8), Error) << row.name;
            continue;
        }
        EXPECT_EQ(read[k].header->width, row.width) << row.name;
        EXPECT_EQ(read[k].header->height, row.height) << row.name;
        // The reduced decode covers the box, at the smallest scale that does.
        const ReducedPicture small = DecodeReducedJpeg(files[k], 8, 8);
        EXPECT_EQ(small.rgb.size(), std::size_t(small.width) * small.height * 3) << row.name;
        EXPECT_EQ(small.width, row.reducedWidth) << row.name;
        EXPECT_EQ(small.height, row.reducedHeight) << row.name;
        const std::size_t middle = (std::size_t(small.height / 2) * small.width + small.width / 2) * 3;
        EXPECT_NEAR(small.rgb[middle], row.colour.r, 16) << row.name;
        EXPECT_NEAR(small.rgb[middle + 1], row.colour.g, 16) << row.name;
        EXPECT_NEAR(small.rgb[middle + 2], row.colour.b, 16) << row.name;
    }
}

TEST(JpegProbe, TheCamerasThumbnailIsTakenOnlyWhereItWillDo) {
    TempDir dir;
    const auto blue = [](int, int) { return Rgb{20, 20, 220}; };
    const std::vector<std::uint8_t> small = JpegBytes({.width = 160, .height = 120, .pixel = blue});
    const std::vector<std::uint8_t> damaged{0xFF, 0xD8, 0xFF, 0xDB, 0, 2, 1};
    struct Row {
        const char* name;
        int width, height, orientation;
        std::vector<std::uint8_t> thumbnail;
        int box;
        bool taken;
        int decodedWidth;  // decoded at the scale that covers the box
    } rows[] = {
        {"a thumbnail of the photo's shape", 640, 480, 0, small, 32, true, 40},
        {"turned: the photo's orientation applies", 640, 480, 6, small, 120, true, 160},
        {"just covering the box", 640, 480, 1, small, 160, true, 160},
        {"too small for the box", 640, 480, 1, small, 161, false, 0},
        {"padded to another shape", 640, 360, 1, small, 32, false, 0},
        {"a shade narrower than the photo", 640, 500, 1, small, 32, false, 0},
        {"damaged", 640, 480, 1, damaged, 32, false, 0},
        {"none", 640, 480, 1, {}, 32, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path photo = dir.path() / "photo.jpg";
        WriteJpeg(photo, {.width = row.width,
                          .height = row.height,
                          .orientation = row.orientation,
                          .exifThumbnail = row.thumbnail,
                          .pixel = [](int, int) {
                              return Rgb{220, 20, 20};
                          }});
        const std::optional<ReducedPicture> read = ReadExifThumbnail(photo, row.box, row.box);
        ASSERT_EQ(read.has_value(), row.taken);
        if (!read) continue;
        EXPECT_EQ(read->width, row.decodedWidth);
        EXPECT_EQ(read->height, row.decodedWidth * 3 / 4);
        EXPECT_EQ(static_cast<int>(read->orientation), row.orientation == 0 ? 1 : row.orientation);
        EXPECT_GT(read->rgb[2], 180);  // the thumbnail's blue, not the photo's red
    }
}

// The pictures of the thumbnail maker on their own: upright, fresh, and
// kept for the next run where the camera left none.
QImage PictureNow(PictureThumbnails& pictures, const QString& file, QSize box) {
    pictures.picture(file, box);
    pictures.waitForIdle();
    return pictures.picture(file, box).image;
}

bool Near(const QColor& a, const Rgb& b) {
    return std::abs(a.red() - b.r) < 40 && std::abs(a.green() - b.g) < 40 && std::abs(a.blue() - b.b) < 40;
}

TEST(PictureThumbnailsTest, EveryOrientationStandsUprightWithOrWithoutTheCamerasThumbnail) {
    TempDir dir;
    ScopedEnv cache("XDG_CACHE_HOME", (dir.path() / "cache").c_str());
    // Stored: red, green on top; blue, white below.
    const Rgb red{230, 20, 20}, green{20, 200, 20}, blue{20, 20, 230}, white{250, 250, 250};
    auto quadrants = [=](int w, int h) {
        return
            [=](int x, int y) { return y < h / 2 ? (x < w / 2 ? red : green) : (x < w / 2 ? blue : white); };
    };
    // The upright picture's top left, top right and bottom left.
    const Rgb shown[8][3] = {
        {red, green, blue}, {green, red, white}, {white, blue, green}, {blue, white, red},
        {red, blue, green}, {blue, red, white},  {white, green, blue}, {green, white, red},
    };
    PictureThumbnails pictures;
    for (const bool withThumbnail : {false, true})
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::to_string(orientation) + (withThumbnail ? " from the thumbnail" : ""));
            const fs::path photo = dir.path() / (std::to_string(orientation + 10 * withThumbnail) + ".jpg");
            JpegRecipe recipe{.width = 256,
                              .height = 128,
                              .quality = 98,
                              .orientation = orientation,
                              .pixel = quadrants(256, 128)};
            if (withThumbnail)
                recipe.exifThumbnail =
                    JpegBytes({.width = 128, .height = 64, .quality = 98, .pixel = quadrants(128, 64)});
            WriteJpeg(photo, recipe);
            const QImage image = PictureNow(pictures, QString::fromStdString(photo.string()), QSize(64, 64));
            ASSERT_FALSE(image.isNull());
            const int w = image.width(), h = image.height();
            const QColor corners[3] = {image.pixelColor(w / 4, h / 4), image.pixelColor(3 * w / 4, h / 4),
                                       image.pixelColor(w / 4, 3 * h / 4)};
            for (int c = 0; c < 3; ++c) EXPECT_TRUE(Near(corners[c], shown[orientation - 1][c])) << c;
        }
}

TEST(PictureThumbnailsTest, ARewrittenPhotoIsPicturedAnewAndAPictureMadeOnceIsKept) {
    TempDir dir;
    ScopedEnv cache("XDG_CACHE_HOME", (dir.path() / "cache").c_str());
    const fs::path photo = dir.path() / "photo.jpg";
    const QString file = QString::fromStdString(photo.string());
    const QSize box(32, 32);
    auto write = [&](Rgb colour, std::size_t size, fs::file_time_type time) {
        std::vector<std::uint8_t> bytes =
            JpegBytes({.width = 64, .height = 64, .pixel = [colour](int, int) { return colour; }});
        bytes.resize(std::max(bytes.size(), size), 0);  // after the end marker: not read
        WriteBytes(photo, std::string(bytes.begin(), bytes.end()));
        fs::last_write_time(photo, time);
    };
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(1);
    PictureThumbnails pictures;
    write({220, 20, 20}, 4000, then);
    EXPECT_TRUE(Near(PictureNow(pictures, file, box).pixelColor(16, 16), {220, 20, 20}));
    struct Row {
        const char* name;
        Rgb colour;
        std::size_t size;
        fs::file_time_type time;
    } rows[] = {
        {"the same size, a later time", {20, 20, 220}, 4000, then + std::chrono::seconds(5)},
        {"another size, the same time", {20, 200, 20}, 4100, then + std::chrono::seconds(5)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        write(row.colour, row.size, row.time);
        EXPECT_TRUE(Near(PictureNow(pictures, file, box).pixelColor(16, 16), row.colour));
    }
    // The picture made of these bytes is kept in the cache folder; a later
    // run takes it from there instead of decoding the photo.
    const QDir kept(QString::fromStdString((dir.path() / "cache" / "Marivel" / "thumbnails").string()));
    EXPECT_EQ(kept.entryList({"*.png"}, QDir::Files).size(), 3);
    const std::string bytes = ReadBytes(photo);
    const QString current =
        kept.filePath(QStringLiteral("%1-32x32.png")
                          .arg(ContentHash::Of(bytes.data(), bytes.size()), 16, 16, QLatin1Char('0')));
    ASSERT_TRUE(QFile::exists(current));
    QImage marked(32, 32, QImage::Format_RGB32);
    marked.fill(QColor(250, 250, 250));
    ASSERT_TRUE(marked.save(current, "PNG"));
    PictureThumbnails nextRun;
    EXPECT_TRUE(Near(PictureNow(nextRun, file, box).pixelColor(16, 16), {250, 250, 250}));
}

// A main window whose project folder holds photos of known sizes and colours.
class Pictures : public EditorTest {
protected:
    fs::path folder() const { return fs::path(dir.path().toStdString()); }
    QString photo(const std::string& name, int width = 160, int height = 90, Rgb colour = {200, 30, 30}) {
        const fs::path path = folder() / name;
        fs::create_directories(path.parent_path());
        WriteJpeg(path, {.width = width, .height = height, .pixel = [colour](int, int) { return colour; }});
        return QString::fromStdString(path.string());
    }
    QString textFile(const std::string& name) {
        QFile file(QString::fromStdString((folder() / name).string()));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text");
        return file.fileName();
    }
    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (const auto& item : items()) out.push_back(item.OriginalImagePath);
        return out;
    }
    void settle() {
        form->editor().Pictures().waitForIdle();
        form->editor().Decorations().applyArrived();
    }
    // The colour in the middle of a node's icon.
    QColor iconColour(QTreeWidgetItem* node) const {
        const QImage image = node->icon(0).pixmap(32, 32).toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
};

TEST_F(Pictures, InsertPicturesAddsReadablePhotosInNaturalOrderUnderTheSelectedNode) {
    const QString outside =
        QDir::tempPath() + "/marivel-outside-" + QString::number(QCoreApplication::applicationPid()) + ".jpg";
    WriteJpeg(outside.toStdString(), {.width = 100, .height = 100});
    struct Row {
        const char* what;
        bool underItem;  // select an existing item first
        QStringList chosen;
        Names expectedPaths;
        Names expectedLevels;
        int refused;
    } rows[] = {
        {"natural order, sizes from the header, relative inside the project",
         false,
         {photo("p10.jpg", 320, 180), photo("p2.jpg", 160, 320), photo("sub/p1.jpg")},
         {"sub/p1.jpg", "p2.jpg", "p10.jpg"},
         {"0", "0", "0"},
         0},
        {"refused files are named, the rest is added under the selected item",
         true,
         {textFile("a.jpg"), photo("b.jpg"), QString::fromStdString((folder() / "gone.jpg").string()),
          outside},
         {"first", "b.jpg", outside.toStdString()},
         {"0", "1", "1"},
         2},
        {"nothing readable: nothing added and the project stays saved",
         false,
         {textFile("c.txt")},
         {},
         {},
         1},
        {"a cancelled dialog changes nothing", false, {}, {}, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        form->editor().clearModified();
        form->documentCommands().newProject();
        if (row.underItem) {
            select(add(root(), "first"));
            items()[0].OriginalImagePath = "first";
            form->editor().loadItemPage(0);  // the page shows what the item holds
        }
        form->editor().documentAgent().ProjectFolder = folder();
        form->editor().clearModified();
        prompter.clear();
        prompter.queuePaths(row.chosen);
        actions().insertPicturesAction->trigger();
        EXPECT_EQ(paths(), row.expectedPaths);
        EXPECT_EQ(levels(), row.expectedLevels);
        EXPECT_EQ(int(items().size()), nodes().count() - 1);
        EXPECT_EQ(form->editor().isModified(), !row.expectedPaths.empty());
        // The node that took the new items shows them.
        if (row.underItem && row.expectedPaths.size() > 1) {
            EXPECT_TRUE(nodes().item(1)->isExpanded());
        }
        EXPECT_EQ(prompter.count(Kind::Error), row.refused ? 1 : 0);
        if (row.refused) {
            EXPECT_EQ(prompter.last()->text.count('\n'), row.refused);
        }
        EXPECT_TRUE(prompter.allAnswersUsed());
        for (int i = row.underItem ? 2 : 1; i < nodes().count(); ++i) EXPECT_EQ(nodes().caption(i), "Item");
    }
    // The dialog opens where the last pictures were chosen.
    EXPECT_EQ(ReadSetting(settings, kPicturesFolderSetting), dir.path());
    EXPECT_EQ(prompter.last()->directory, dir.path());
    QFile::remove(outside);
}

TEST_F(Pictures, PreparedSizesFollowTheShownSliderWidth) {
    prompter.queuePaths({photo("w.jpg", 336, 200), photo("t.jpg", 160, 320)});
    actions().insertPicturesAction->trigger();
    ASSERT_EQ(items().size(), 2u);
    EXPECT_EQ(items()[0].ImageWidth + "x" + items()[0].ImageHeight, "168x336");  // t.jpg first
    EXPECT_EQ(items()[1].ImageWidth + "x" + items()[1].ImageHeight, "168x100");
    // Without a project folder the full path is kept.
    EXPECT_EQ(items()[0].OriginalImagePath, (folder() / "t.jpg").string());
}

TEST_F(Pictures, FilesDropLandOnTheNodeBesideItOrUnderTheRoot) {
    QTreeWidgetItem* a = add(root(), "A");
    QTreeWidgetItem* b = add(root(), "B");
    QTreeWidgetItem* b1 = add(b, "B1");
    form->resize(800, 600);
    QApplication::processEvents();
    auto* widget = static_cast<DesignTreeWidget*>(tree());
    const QRect ra = tree()->visualItemRect(a), rb = tree()->visualItemRect(b);
    const QRect last = tree()->visualItemRect(b1);
    using Drop = DesignTreeWidget::FileDrop;
    struct Row {
        const char* where;
        QPoint at;
        Drop expected;
    } rows[] = {
        {"middle of a node", ra.center(), {a, -1}},
        {"upper edge of a node", {ra.center().x(), ra.top() + 1}, {root(), 0}},
        {"lower edge of a closed node", {ra.center().x(), ra.bottom() - 1}, {root(), 1}},
        {"lower edge of an open node", {rb.center().x(), rb.bottom() - 1}, {b, 0}},
        {"the root's row", tree()->visualItemRect(root()).center(), {root(), -1}},
        {"below every node", {last.center().x(), last.bottom() + 40}, {root(), -1}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(widget->fileDropAt(row.at), row.expected)
            << row.where << ": got " << nodes().indexOf(widget->fileDropAt(row.at).parent) << "/"
            << widget->fileDropAt(row.at).row;
}

TEST_F(Pictures, DroppedFilesAndFoldersGoWhereTheyWereDroppedAndProjectsOpen) {
    QTreeWidgetItem* a = add(root(), "A");
    add(root(), "B");
    items()[0].OriginalImagePath = "A";
    items()[1].OriginalImagePath = "B";
    photo("shots/s10.jpg");
    photo("shots/s9.jpg");
    photo("shots/deeper/s1.jpg");
    textFile("shots/readme.txt");
    const QUrl shots = QUrl::fromLocalFile(QString::fromStdString((folder() / "shots").string()));
    const QUrl loose = QUrl::fromLocalFile(photo("loose.jpg"));
    auto names = [this] {
        Names out;
        for (const auto& p : paths()) out.push_back(fs::path(p).filename().string());
        return out;
    };
    // Between A and B: the folder's JPEGs (not its sub-folder's, not the
    // text file) in natural order, then the loose photo.
    form->run([&] { form->editor().dropFilesOnTree({loose, shots}, root(), 1); });
    EXPECT_EQ(names(), (Names{"A", "loose.jpg", "s9.jpg", "s10.jpg", "B"}));
    EXPECT_EQ(prompter.count(Kind::Error), 0);
    // Onto A: its last children.
    form->run([&] { form->editor().dropFilesOnTree({loose}, a, -1); });
    EXPECT_EQ(names(), (Names{"A", "loose.jpg", "loose.jpg", "s9.jpg", "s10.jpg", "B"}));
    EXPECT_EQ(levels(), (Names{"0", "1", "0", "0", "0", "0"}));
    EXPECT_EQ(treeNames().size(), items().size());

    // A project file among the dropped files opens instead, asking about
    // the unsaved changes first.
    const fs::path project = folder() / "saved.mvl";
    {
        DocumentAgent saved(folder());
        saved.ResetProject();
        SliderItem item = DocumentAgent::MakeNewItem();
        item.Level = "0";
        saved.Items = {item};
        saved.SaveProject(project);
    }
    prompter.clear();
    prompter.queueAnswer(Prompter::Answer::No);
    const QUrl projectUrl = QUrl::fromLocalFile(QString::fromStdString(project.string()));
    form->run([&] { form->editor().dropFilesOnTree({loose, projectUrl}, a, -1); });
    EXPECT_EQ(prompter.count(Kind::YesNoCancel), 1);
    EXPECT_EQ(prompter.count(Kind::Error), 0);
    EXPECT_EQ(items().size(), 1u);
    EXPECT_EQ(form->editor().currentFileName().toStdString(), project.string());

    // Through the window's own drag and drop events: a project dropped on a
    // text field opens instead of becoming its text; a picture dropped on a
    // node's row becomes its child.
    auto dropOn = [](QWidget* target, QPoint at, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QApplication::processEvents();
        return enter.isAccepted() && drop.isAccepted();
    };
    form->editor().setCurrentFileName(QString());
    auto* name = form->findChild<QLineEdit*>("edt_pSliderName");
    const QString nameBefore = name->text();
    EXPECT_TRUE(dropOn(name, name->rect().center(), {projectUrl}));
    EXPECT_EQ(form->editor().currentFileName().toStdString(), project.string());
    EXPECT_EQ(name->text(), nameBefore);
    EXPECT_TRUE(dropOn(tree()->viewport(), tree()->visualItemRect(nodes().item(1)).center(), {loose}));
    EXPECT_EQ(levels(), (Names{"0", "1"}));
    EXPECT_EQ(fs::path(items()[1].OriginalImagePath).filename(), "loose.jpg");
}

TEST_F(Pictures, ThumbnailsShowThePhotoAndFallBackToTheItemPicture) {
    prompter.queuePaths(
        {photo("red.jpg", 160, 90, {220, 20, 20}), photo("blue.jpg", 90, 160, {20, 20, 220})});
    actions().insertPicturesAction->trigger();
    QTreeWidgetItem* broken = add(root(), "broken");
    items().back().OriginalImagePath = textFile("broken.jpg").toStdString();
    form->editor().refreshItemDecorations();
    settle();
    const QTreeWidgetItem* blue = root()->child(0);
    const QTreeWidgetItem* red = root()->child(1);
    const QImage itemPicture = icons::itemNode().pixmap(32, 32).toImage();
    struct Row {
        const QTreeWidgetItem* node;
        bool thumbnail;
        QColor colour;
    } rows[] = {{blue, true, QColor(20, 20, 220)}, {red, true, QColor(220, 20, 20)}, {broken, false, {}}};
    for (const Row& row : rows) {
        const QImage shown = row.node->icon(0).pixmap(32, 32).toImage();
        EXPECT_EQ(shown == itemPicture, !row.thumbnail) << row.node->text(0).toStdString();
        if (!row.thumbnail) continue;
        const QColor c = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        EXPECT_NEAR(c.red(), row.colour.red(), 12);
        EXPECT_NEAR(c.blue(), row.colour.blue(), 12);
    }
    // Off: every item shows the item picture, and the choice is remembered.
    actions().thumbnailsMenuItem->trigger();
    EXPECT_EQ(red->icon(0).pixmap(16, 16).toImage(), icons::itemNode().pixmap(16, 16).toImage());
    EXPECT_EQ(tree()->iconSize(), QSize(16, 16));
    EXPECT_FALSE(ReadSetting(settings, kShowThumbnailsSetting));
    MainWindowOptions options;
    options.programFolder = folder();
    options.registerFileType = false;
    MainWindow second(prompter, settings, shell, options);
    EXPECT_FALSE(second.mainActions().thumbnailsMenuItem->isChecked());
}

TEST_F(Pictures, ChoosingAPictureUpdatesCaptionIconPreviewAndTooltip) {
    QTreeWidgetItem* node = add(root(), "x");
    node->setText(0, "Warning: Original image not found.");
    items()[0].Link = "http://example.org/a";
    items()[0].Target = "_blank";
    items()[0].ToolTip = "Dawn";
    select(node);
    auto* pick = form->findChild<QToolButton*>("spdbtnOriginalImagePath");
    auto* preview = form->findChild<QLabel*>("itemPicturePreview");
    struct Row {
        QString chosen;
        const char* caption;
        bool previewShown;
        const char* size;
    } rows[] = {
        {QString::fromStdString((folder() / "missing.jpg").string()), "Warning: Original image not found.",
         false, "Prepared size: unknown"},
        {photo("dawn.jpg", 336, 200), "Item", true, "Prepared size: 168 x 100 (from 336 x 200)"},
    };
    for (const Row& row : rows) {
        prompter.queuePath(row.chosen);
        pick->click();
        settle();
        QApplication::processEvents();
        EXPECT_EQ(node->text(0).toStdString(), row.caption);
        EXPECT_EQ(!preview->pixmap().isNull(), row.previewShown);
        const QString tip = form->editor().itemToolTip(node);
        EXPECT_TRUE(tip.contains(row.size)) << tip.toStdString();
        EXPECT_TRUE(tip.contains("Picture: " + row.chosen)) << tip.toStdString();
        EXPECT_TRUE(tip.contains("Link: http://example.org/a (_blank)")) << tip.toStdString();
        EXPECT_TRUE(tip.contains("Tooltip: Dawn")) << tip.toStdString();
    }
    // A link without a target names no target.
    form->findChild<QComboBox*>("cmbx_ITarget")->setEditText("");
    EXPECT_TRUE(form->editor().itemToolTip(node).contains("Link: http://example.org/a\n"));
    // The preview keeps the picture's shape inside its box.
    EXPECT_EQ(preview->pixmap().size(), QSize(120, 71));
    EXPECT_NE(node->icon(0).pixmap(32, 32).toImage(), icons::itemNode().pixmap(32, 32).toImage());
}

}  // namespace
}  // namespace marivel::test
