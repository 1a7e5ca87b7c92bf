// Screen capture from a drawn frame to files: the read-back into the screen
// DIB, the BMP sequence opened by an independent decoder (Qt's), and an AVI
// per offered codec probed and decoded back by the ffmpeg tools.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/AviFileWriter.h"
#include "platform/EglContext.h"
#include "recording/BmpFile.h"
#include "recording/CaptureSession.h"
#include "view/ScreenShot.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct SRgb {
    int r, g, b;
};

// Quadrants of distinct colours (none symmetric in red and blue, so a swapped
// channel order shows) and a stripe one pixel from the top.
void DrawScene() {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, 0, kHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.15f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto quad = [](float r, float g, float b, int x0, int y0, int x1, int y1) {
        glColor3f(r, g, b);
        glBegin(GL_QUADS);
        glVertex2i(x0, y0);
        glVertex2i(x1, y0);
        glVertex2i(x1, y1);
        glVertex2i(x0, y1);
        glEnd();
    };
    quad(1.0f, 0.0f, 0.0f, 0, kHeight / 2, kWidth / 2, kHeight);       // top left red
    quad(0.2f, 0.4f, 1.0f, kWidth / 2, 0, kWidth, kHeight / 2);        // bottom right blue
    quad(1.0f, 1.0f, 0.0f, 10, kHeight - 3, kWidth - 10, kHeight - 1); // stripe near the top
    glFinish();
}

class ScreenCaptureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_context = std::make_unique<CEglContext>();
        s_context->Create(kWidth, kHeight);
    }
    static void TearDownTestSuite() { s_context.reset(); }

    void SetUp() override {
        if (!s_context->IsValid() || !s_context->MakeCurrent())
            GTEST_SKIP() << "no headless OpenGL context: " << s_context->GetError();
        DrawScene();
        m_reference = s_context->ReadPixels(); // RGBA, bottom-up, tight
        m_dir = fs::temp_directory_path() /
                ("vireon-screen-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // The drawn colour at (x, y) counted from the top left.
    SRgb Drawn(int x, int yFromTop) const {
        const std::size_t i = (static_cast<std::size_t>(kHeight - 1 - yFromTop) * kWidth + x) * 4;
        return {m_reference[i], m_reference[i + 1], m_reference[i + 2]};
    }

    static SBitmapInfoHeader Header(int width) {
        SBitmapInfoHeader header;
        header.biWidth = width;
        header.biHeight = kHeight;
        header.biSizeImage = DibRowBytes(width) * kHeight;
        return header;
    }

    static std::vector<std::uint8_t> ReadBack(const SBitmapInfoHeader& header) {
        std::vector<std::uint8_t> dib(sizeof header + header.biSizeImage, 0xAB);
        EXPECT_TRUE(ReadFrameIntoDib(header, dib.data()));
        return dib;
    }

    static std::unique_ptr<CEglContext> s_context;
    std::vector<std::uint8_t> m_reference;
    fs::path m_dir;
};

std::unique_ptr<CEglContext> ScreenCaptureTest::s_context;

std::string Capture(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

bool HaveFfmpegTools() {
    return std::system("ffprobe -version >/dev/null 2>&1") == 0 &&
           std::system("ffmpeg -version >/dev/null 2>&1") == 0;
}

} // namespace

TEST_F(ScreenCaptureTest, BmpSequenceHoldsUprightFramesWithAlignedRows) {
    // 640 is the plot size whose files must be 921,654 bytes; 637 leaves
    // each row 1 byte of padding.
    const struct {
        int width;
        std::uintmax_t fileSize;
    } cases[] = {{640, 921654}, {637, 14 + 40 + 1912u * kHeight}};
    for (const auto& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width));
        const SBitmapInfoHeader header = Header(c.width);
        const std::vector<std::uint8_t> dib = ReadBack(header);

        CCaptureSession session;
        session.SetFileName(CCaptureSession::kScreen, (m_dir / "cap###.bmp").string());
        session.SetFileCounter(CCaptureSession::kScreen, 0);
        ASSERT_TRUE(session.InitScreen(&header, 1, kCaptureBmp));
        session.StartStop(true);
        const SBmpFileHeader fileHeader = MakeBmpFileHeader(static_cast<std::uint32_t>(dib.size()));
        for (int frame = 0; frame < 3; ++frame)
            ASSERT_TRUE(session.WriteBmpFrame(dib.data(), fileHeader));
        session.CloseSession();

        for (const char* name : {"cap000.bmp", "cap001.bmp", "cap002.bmp"}) {
            SCOPED_TRACE(name);
            const fs::path path = m_dir / name;
            ASSERT_TRUE(fs::exists(path));
            EXPECT_EQ(fs::file_size(path), c.fileSize);
            QImage image(QString::fromStdString(path.string()));
            ASSERT_FALSE(image.isNull());
            ASSERT_EQ(image.width(), c.width);
            ASSERT_EQ(image.height(), kHeight);
            int wrong = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const QRgb p = image.pixel(x, y);
                    const SRgb d = Drawn(x, y);
                    wrong += qRed(p) != d.r || qGreen(p) != d.g || qBlue(p) != d.b;
                }
            EXPECT_EQ(wrong, 0);
        }
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
}

TEST_F(ScreenCaptureTest, AviOfEveryOfferedCodecDecodesBackToTheDrawnFrame) {
    if (!HaveFfmpegTools())
        GTEST_SKIP() << "needs ffprobe and ffmpeg";
    const std::vector<SCodecChoice> codecs = CAviFileWriter::AvailableCodecs();
    // At least full frames, Motion JPEG and one lossless codec are offered.
    ASSERT_GE(codecs.size(), 3u);
    EXPECT_EQ(codecs[0].codec, "rawvideo");
    EXPECT_EQ(codecs[1].codec, "mjpeg");
    EXPECT_TRUE(codecs[2].lossless);

    const SBitmapInfoHeader header = Header(kWidth);
    const std::vector<std::uint8_t> dib = ReadBack(header);
    constexpr int kFrames = 4;
    for (const SCodecChoice& codec : codecs) {
        SCOPED_TRACE(codec.codec);
        const std::string path = (m_dir / (codec.codec + ".avi")).string();
        {
            CAviFileWriter writer;
            ASSERT_TRUE(writer.SetFormat(header, 30));
            ASSERT_TRUE(writer.Create(path));
            ASSERT_TRUE(writer.MakeCompressedStream({codec.codec})) << writer.GetError();
            for (int i = 0; i < kFrames; ++i)
                ASSERT_TRUE(writer.WriteFrame(dib.data())) << writer.GetError();
            EXPECT_GT(writer.GetBytesWritten(), 0);
            ASSERT_TRUE(writer.Release());
        }
        const std::string streams =
            Capture("ffprobe -v error -count_frames -show_entries "
                    "stream=codec_type,width,height,r_frame_rate,nb_read_frames "
                    "-of csv=p=0 '" +
                    path + "'");
        EXPECT_EQ(streams, "video,640,480,30/1,4\n");

        const std::string frame =
            Capture("ffmpeg -v error -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
        ASSERT_EQ(frame.size(), static_cast<std::size_t>(kWidth) * kHeight * 3);
        long long sum = 0;
        int differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const SRgb d = Drawn(x, y);
                const auto* p = reinterpret_cast<const unsigned char*>(frame.data()) +
                                (static_cast<std::size_t>(y) * kWidth + x) * 3;
                const int diff = std::abs(p[0] - d.r) + std::abs(p[1] - d.g) + std::abs(p[2] - d.b);
                sum += diff;
                differing += diff != 0;
            }
        const double meanLevels = static_cast<double>(sum) / (3.0 * kWidth * kHeight);
        if (codec.lossless)
            EXPECT_EQ(differing, 0);
        else
            EXPECT_LE(meanLevels, 8.0);
    }
}

TEST_F(ScreenCaptureTest, AviWriterErrorCodesNameTheFailingStep) {
    const SBitmapInfoHeader header = Header(kWidth);
    const std::vector<std::uint8_t> dib = ReadBack(header);
    const std::string good = (m_dir / "a.avi").string();
    SetCompressionChooser(
        [](const std::vector<SCodecChoice>&, SCompressOptions&) { return false; });
    const struct {
        const char* what;
        std::function<bool(CAviFileWriter&)> step;
        std::int32_t error;
    } cases[] = {
        {"create without a format", [&](CAviFileWriter& w) { return w.Create(good); }, 2},
        {"create in a missing folder",
         [&](CAviFileWriter& w) {
             w.SetFormat(header, 30);
             return w.Create((m_dir / "missing" / "a.avi").string());
         },
         3},
        {"compression dialog cancelled",
         [&](CAviFileWriter& w) {
             SCompressOptions options;
             return w.SetFormat(header, 30) && w.Create(good) && w.ChooseCompression(options);
         },
         5},
        {"unknown codec",
         [&](CAviFileWriter& w) {
             return w.SetFormat(header, 30) && w.Create(good) &&
                    w.MakeCompressedStream({"no-such-codec"});
         },
         6},
        {"frame before the stream",
         [&](CAviFileWriter& w) {
             return w.SetFormat(header, 30) && w.Create(good) && w.WriteFrame(dib.data());
         },
         2},
        {"no frame",
         [&](CAviFileWriter& w) {
             return w.SetFormat(header, 30) && w.Create(good) &&
                    w.MakeCompressedStream({"rawvideo"}) && w.WriteFrame(nullptr);
         },
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CAviFileWriter writer;
        EXPECT_FALSE(c.step(writer));
        EXPECT_EQ(writer.GetError(), c.error);
    }
    SetCompressionChooser(nullptr);
}
