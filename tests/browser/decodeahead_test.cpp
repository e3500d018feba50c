// The strip with decoding ahead on worker threads: a broken file keeps its place and the
// strip goes on past it, and a new album drops the work ahead of the old one. Run under
// ThreadSanitizer too.
#include "../common/mainwindowfixture.h"
#include "../common/jpegtestutil.h"

#include "browser/decodeahead.h"
#include "picture/bitmap.h"
#include "picture/jpegimage.h"

#include <QFile>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <pthread.h>
#include <thread>

#include <jerror.h>

using namespace galimo;

namespace {

// A JPEG photo of one colour, flat or grainy (a grain of g: each sample up to g off, which
// makes a file of a real photo's weight).
jpegtest::Bytes Photo(int w, int h, QRgb colour, int grain = 0)
{
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(w) * h * 3);
    uint32_t random = 12345;
    const auto sample = [&](int v) {
        random = random * 1103515245u + 12345u;
        return static_cast<uint8_t>(std::clamp(v + (grain ? int(random >> 16) % (2 * grain + 1) - grain : 0), 0, 255));
    };
    for (int i = 0; i < w * h; ++i)
        pixels.insert(pixels.end(), {sample(qRed(colour)), sample(qGreen(colour)), sample(qBlue(colour))});
    return jpegtest::Compress(pixels, w, h, 3, false, 90);
}

using Clock = std::chrono::steady_clock;

// A medium on which a file takes a second to read, spread over its reads: it counts the
// bytes read of each file and notes when each was first read to its end.
class SlowMedium : public IMedium {
public:
    std::unique_ptr<TStream> Open(const std::string& file, size_t piece) override { return std::make_unique<SlowFile>(*this, file, piece); }
    std::mutex lock;
    std::map<std::string, size_t> bytes;
    std::map<std::string, Clock::time_point> whole;

private:
    struct SlowFile : TFileStream {
        SlowFile(SlowMedium& medium, const std::string& name, size_t piece) : TFileStream(name, piece), medium(medium), name(name) {}
        size_t Read(void* buffer, size_t count) override
        {
            std::this_thread::sleep_for(std::chrono::microseconds(1000000 * static_cast<int64_t>(count) / std::max<int64_t>(Size(), 1)));
            const size_t n = TFileStream::Read(buffer, count);
            const std::lock_guard<std::mutex> hold(medium.lock);
            if (static_cast<int64_t>(medium.bytes[name] += n) == Size()) medium.whole.emplace(name, Clock::now());
            return n;
        }
        SlowMedium& medium;
        std::string name;
    };
};

void Write(const QString& path, const jpegtest::Bytes& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

const QRgb kRed = qRgb(200, 40, 40), kBlue = qRgb(40, 60, 200), kGreen = qRgb(40, 180, 60);

class DecodeAheadTest : public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        InitJPEGModule(32);
    }
    void Open(const QString& name, bool wait = true)
    {
        const QList<QListWidgetItem*> found = window->DL->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        window->DL->setCurrentItem(found.front());
        if (wait) Filled();
    }
    void ExpectColour(int n, QRgb colour)
    {
        const QRgb c = Thumb(n)->Picture().Bitmap().Image().pixel(60, 60);
        EXPECT_NEAR(qRed(c), qRed(colour), 4) << n;
        EXPECT_NEAR(qGreen(c), qGreen(colour), 4) << n;
        EXPECT_NEAR(qBlue(c), qBlue(colour), 4) << n;
    }
    // Two good photos, the broken file, then photos the workers are busy with.
    void BrokenAlbum(const QString& name, const jpegtest::Bytes& broken, int after)
    {
        Album(name);
        Write(root.filePath(name + "/1.jpg"), Photo(800, 600, kRed));
        Write(root.filePath(name + "/2.jpg"), Photo(600, 800, kBlue));
        Write(root.filePath(name + "/3.jpg"), broken);
        for (int i = 0; i < after; ++i) Write(root.filePath(name + QString("/%1.jpg").arg(4 + i)), Photo(1600, 1200, kGreen));
    }
};

TEST_F(DecodeAheadTest, ThirdFileBrokenKeepsItsPlaceEveryTime)
{
    const std::string text = "this is no photo";
    const struct {
        const char* album;
        jpegtest::Bytes bytes;
        int code;
    } cases[] = {
        {"header", jpegtest::Bytes(text.begin(), text.end()), JERR_NO_SOI},  // fails as it loads
        {"scan", jpegtest::WithBrokenSecondScan(jpegtest::TestFile("progressive.jpg")), JERR_BAD_COMPONENT_ID},  // as it draws
    };
    Album("good");
    Write(root.filePath("good/a.jpg"), Photo(400, 300, kGreen));
    for (const auto& c : cases) BrokenAlbum(c.album, c.bytes, 4);
    Start();
    ShowAndPaint(true);
    for (int round = 0; round < 8; ++round)
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.album) + " round " + std::to_string(round));
            Open("good");
            box.Calls.clear();
            Open(c.album);
            EXPECT_EQ(box.Texts(), std::vector<std::string>{"Erreur JPEG #" + std::to_string(c.code) + "."});
            ASSERT_EQ(window->Thumbnails().size(), 7u);
            EXPECT_EQ(Thumb(0)->geometry(), QRect(1, 15, 120, 90));
            EXPECT_EQ(Thumb(1)->geometry(), QRect(17, 130, 89, 120));
            EXPECT_EQ(Thumb(2)->geometry(), QRect(1, 260, 120, 120));  // the broken file's place
            ExpectColour(0, kRed);
            ExpectColour(1, kBlue);
            ExpectColour(6, kGreen);
            EXPECT_EQ(window->NaturalWidth(), 800);
        }
}

// File 0 is decoded once, for the photo view, and its thumbnail drawn from that: a
// failure there is still the thumbnail's, reported once.
TEST_F(DecodeAheadTest, FirstFileFailingAsItDrawsIsToldOnceAndShownDamaged)
{
    Album("good");
    Write(root.filePath("good/a.jpg"), Photo(400, 300, kGreen));
    Album("broken");
    Write(root.filePath("broken/1.jpg"), jpegtest::WithBrokenSecondScan(jpegtest::TestFile("progressive.jpg")));
    Write(root.filePath("broken/2.jpg"), Photo(800, 600, kRed));
    Start();
    ShowAndPaint(true);
    for (int round = 0; round < 4; ++round) {
        Open("good");
        box.Calls.clear();
        Open("broken");
        EXPECT_EQ(box.Texts(), std::vector<std::string>{"Erreur JPEG #" + std::to_string(JERR_BAD_COMPONENT_ID) + "."});
        ASSERT_EQ(window->Thumbnails().size(), 2u);
        ExpectColour(1, kRed);
        EXPECT_EQ(window->photo->Picture().Bitmap().Image().pixel(0, 0), QColor(Qt::gray).rgb());  // its frame
    }
}

// Another album opened while the strip fills, at a different point each round, then the
// window closed in the middle of one: the fill stops, and the new strip is only its own.
TEST_F(DecodeAheadTest, SecondAlbumOpenedDuringTheFillShowsOnlyItsOwnThumbnails)
{
    Album("first");
    Write(root.filePath("first/01.jpg"), Photo(800, 600, kRed));
    Write(root.filePath("first/02.jpg"), jpegtest::Bytes{'n', 'o'});
    for (int i = 3; i < 40; ++i) Write(root.filePath(QString("first/%1.jpg").arg(i, 2, 10, QChar('0'))), Photo(800, 600, kGreen));
    Album("second");
    Write(root.filePath("second/x.jpg"), Photo(480, 640, kBlue));
    Write(root.filePath("second/y.jpg"), Photo(1920, 1080, kRed));
    Start();
    ShowAndPaint(true);
    int interrupted = 0;
    for (size_t round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        window->DL->setCurrentItem(window->DL->findItems("first", Qt::MatchExactly).front());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Thumbnails().size() >= round * 3; }, 10000));
        interrupted += window->StripFilling();
        Open("second");
        ASSERT_EQ(window->Thumbnails().size(), 2u);
        EXPECT_EQ(Thumb(0)->geometry(), QRect(17, 0, 89, 120));
        EXPECT_EQ(Thumb(1)->geometry(), QRect(1, 157, 120, 67));
        EXPECT_EQ(Thumb(2), nullptr);
        ExpectColour(0, kBlue);
        ExpectColour(1, kRed);
        EXPECT_EQ(window->NaturalWidth(), 480);
        EXPECT_EQ(window->NaturalHeight(), 640);
    }
    EXPECT_GT(interrupted, 0);  // round 0 at least: right after the click
    window->DL->setCurrentItem(window->DL->findItems("first", Qt::MatchExactly).front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Thumbnails().size() >= 3; }, 10000));
    window->close();
    EXPECT_FALSE(window->StripFilling());
    EXPECT_TRUE(window->Thumbnails().empty());
}

// A file that fails as it loads opens an error box; while it is open another album is
// opened. The old fill, once the box is closed, must not act for the new album (it would
// load and report the new album's first file a second time): each failure is told once.
TEST_F(DecodeAheadTest, AFillOvertakenWhileItsBoxIsOpenNeverActsForTheNewAlbum)
{
    for (const char* name : {"x", "y"}) {
        Album(name);
        Write(root.filePath(QString(name) + "/1.jpg"), jpegtest::Bytes{'n', 'o'});
        Write(root.filePath(QString(name) + "/2.jpg"), Photo(400, 300, name[0] == 'x' ? kRed : kBlue));
    }
    Start();
    ShowAndPaint(true);
    for (int round = 0; round < 8; ++round) {
        Open("y");
        box.Calls.clear();
        box.WhileOpen = [this] { Open("y", false); };
        Open("x");
        EXPECT_EQ(box.Texts(), std::vector<std::string>(2, "Erreur JPEG #" + std::to_string(JERR_NO_SOI) + ".")) << round;
        ExpectColour(1, kBlue);
    }
}

// No worker thread can be started (a process at its limit): the album opens all the same,
// each file loaded by the strip itself, and nothing is told.
TEST_F(DecodeAheadTest, AlbumOpensWithoutDecodingAheadWhenNoThreadStarts)
{
    Album("a");
    for (int i = 0; i < 3; ++i) Write(root.filePath(QString("a/%1.jpg").arg(i)), Photo(400, 300, i == 1 ? kRed : kBlue));
    Start();
    // Every thread from here on asks for a stack larger than the address space.
    pthread_attr_t huge, saved;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t(1) << 47);
    pthread_setattr_default_np(&huge);
    ShowAndPaint(true);
    pthread_setattr_default_np(&saved);
    EXPECT_TRUE(box.Calls.empty());
    ASSERT_EQ(window->Thumbnails().size(), 3u);
    ExpectColour(1, kRed);
}

// On a medium where a file takes a second to read, another album is clicked while the
// workers read the first: the click waits for the pieces in hand only, so no file of the
// first album is read to its end, and the new album's first thumbnail shows once its own
// file is read.
TEST_F(DecodeAheadTest, OnASlowMediumAnotherAlbumShowsOnceItsOwnFileIsRead)
{
    for (const char* name : {"first", "second"}) Album(name);
    for (int i = 0; i < 6; ++i) Write(root.filePath(QString("first/%1.jpg").arg(i)), Photo(640, 480, kGreen, 40));
    for (int i = 0; i < 2; ++i) Write(root.filePath(QString("second/%1.jpg").arg(i)), Photo(400, 560, kBlue, 40));
    Start();
    ShowAndPaint(true);
    Open("second");  // shown at its natural size: no worker makes a zoom while the medium changes
    SlowMedium slow;
    const test::TScopedReplacement<IMedium> in(slow);
    Open("first", false);
    ASSERT_TRUE(QTest::qWaitFor([&] { const std::lock_guard<std::mutex> hold(slow.lock); return slow.bytes.size() >= 2; }));
    const Clock::time_point clicked = Clock::now();
    Open("second", false);
    const Clock::time_point answered = Clock::now();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Thumbnails().empty(); }, 10000));
    const Clock::time_point shown = Clock::now();
    EXPECT_EQ(Thumb(0)->geometry(), QRect(19, 0, 85, 120));  // the second album's portrait
    window->close();  // no worker reads through the medium once it is gone
    for (const auto& [file, when] : slow.whole) EXPECT_EQ(file.find("/first/"), std::string::npos) << file;
    const auto ms = [](Clock::duration d) { return static_cast<long long>(d / std::chrono::milliseconds(1)); };
    std::printf("slow medium: the click took %lld ms; the first thumbnail showed %lld ms after it, %lld ms after its file was read\n",
                ms(answered - clicked), ms(shown - clicked), ms(shown - slow.whole[root.filePath("second/0.jpg").toStdString()]));
}

// The queue alone: every JPEG job comes back ready in order, reduced for its target; jobs
// it cannot do come back empty for the caller to load and report.
TEST_F(DecodeAheadTest, QueueHandsOverPreparedPicturesInOrder)
{
    Write(root.filePath("big.jpg"), Photo(1600, 1200, kGreen));
    Write(root.filePath("bad.jpg"), jpegtest::Bytes{'n', 'o'});
    const auto thumb = [](int, int, int& w, int& h) { w = h = 120; };
    const std::string big = root.filePath("big.jpg").toStdString();
    for (const unsigned workers : {1u, 2u, 4u}) {
        std::vector<TDecodeJob> jobs;
        for (int i = 0; i < 6; ++i) jobs.push_back({big, thumb});
        jobs.push_back({root.filePath("bad.jpg").toStdString(), thumb});
        jobs.push_back({root.filePath("missing.jpg").toStdString(), thumb});
        jobs.push_back({"", thumb});
        jobs.push_back({big, {}});  // no target: drawn at its natural size
        TDecodeAhead ahead(std::move(jobs), workers);
        for (size_t n = 0; n < 6; ++n) {
            std::unique_ptr<TGraphic> ready = ahead.Take(n);
            auto* jpeg = dynamic_cast<TJPEGImage*>(ready.get());
            ASSERT_NE(jpeg, nullptr) << n;
            EXPECT_EQ(jpeg->DecodedEighths(), 1);
            EXPECT_EQ(jpeg->Width(), 1600);
        }
        for (size_t n = 6; n < 9; ++n) EXPECT_EQ(ahead.Take(n), nullptr) << n;
        std::unique_ptr<TGraphic> natural = ahead.Take(9);
        ASSERT_NE(natural, nullptr);
        EXPECT_EQ(static_cast<TJPEGImage&>(*natural).DecodedEighths(), 8);
        EXPECT_EQ(ahead.Take(10), nullptr);
    }
    // Dropped with every job still to do: the workers stop after the file in hand.
    std::vector<TDecodeJob> many(40, TDecodeJob{big, thumb});
    TDecodeAhead dropped(std::move(many), 2);
    EXPECT_NE(dropped.Take(0), nullptr);
}

}  // namespace
