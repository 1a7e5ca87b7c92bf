// SPDX-License-Identifier: GPL-3.0-or-later
// Screen capture from a drawn frame to files: the read-back into the screen
// DIB, the BMP sequence opened by an independent decoder (Qt's), and an AVI
// per offered codec probed and decoded back by the ffmpeg tools.
#include <GL/gl.h>

#include <QImage>

#include <array>
#include <cstdlib>

#include "RecordingTestSupport.h"
#include "platform/AviFileWriter.h"
#include "platform/EglContext.h"
#include "recording/CaptureSession.h"
#include "view/ScreenShot.h"

namespace {

using namespace rectest;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Quadrants of distinct colours (none symmetric in red and blue, so a swapped
// channel order shows) and a stripe one pixel from the top.
void DrawScene() {
    const auto fill = [](float r, float g, float b, int x0, int y0, int x1, int y1) {
        glScissor(x0, y0, x1 - x0, y1 - y0);
        glClearColor(r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    };
    glEnable(GL_SCISSOR_TEST);
    fill(0.0f, 0.15f, 0.0f, 0, 0, kWidth, kHeight);                    // background
    fill(1.0f, 0.0f, 0.0f, 0, kHeight / 2, kWidth / 2, kHeight);       // top left red
    fill(0.2f, 0.4f, 1.0f, kWidth / 2, 0, kWidth, kHeight / 2);        // bottom right blue
    fill(1.0f, 1.0f, 0.0f, 10, kHeight - 3, kWidth - 10, kHeight - 1); // stripe near the top
    glDisable(GL_SCISSOR_TEST);
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
    }

    // How many of the width x kHeight top-down RGB pixels at(x, y) differ
    // from the drawn ones, and by how many levels in all.
    template <typename At> std::pair<int, long long> CompareWithDrawn(int width, At at) const {
        std::pair<int, long long> result{0, 0};
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* d =
                    &m_reference[(static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x) * 4];
                const std::array<int, 3> p = at(x, y);
                const int diff =
                    std::abs(p[0] - d[0]) + std::abs(p[1] - d[1]) + std::abs(p[2] - d[2]);
                result.first += diff != 0;
                result.second += diff;
            }
        return result;
    }

    static Bytes ReadBack(const SBitmapInfoHeader& header) {
        Bytes dib(sizeof header + header.biSizeImage, 0xAB);
        EXPECT_TRUE(ReadFrameIntoDib(header, dib.data()));
        return dib;
    }

    inline static std::unique_ptr<CEglContext> s_context;
    std::vector<std::uint8_t> m_reference;
    const CTempDir m_dir;
};

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
        const SBitmapInfoHeader header = DibHeader(c.width, kHeight);
        const Bytes dib = ReadBack(header);
        const std::string folder = m_dir.Path() + "/" + std::to_string(c.width);
        std::filesystem::create_directory(folder);
        CCaptureSession session;
        session.SetFileName(CCaptureSession::kScreen, folder + "/cap###.bmp");
        ASSERT_TRUE(session.InitScreen(&header, 1, kCaptureBmp));
        session.StartStop(true);
        const SBmpFileHeader fileHeader = MakeBmpFileHeader(static_cast<std::uint32_t>(dib.size()));
        for (int frame = 0; frame < 3; ++frame)
            ASSERT_TRUE(session.WriteBmpFrame(dib.data(), fileHeader));
        session.CloseSession();

        for (const char* name : {"cap000.bmp", "cap001.bmp", "cap002.bmp"}) {
            SCOPED_TRACE(name);
            const std::string path = folder + "/" + name;
            EXPECT_EQ(std::filesystem::file_size(path), c.fileSize);
            const QImage image(QString::fromStdString(path));
            ASSERT_EQ(image.size(), QSize(c.width, kHeight));
            EXPECT_EQ(CompareWithDrawn(c.width,
                                       [&](int x, int y) {
                                           const QRgb p = image.pixel(x, y);
                                           return std::array<int, 3>{qRed(p), qGreen(p), qBlue(p)};
                                       })
                          .first,
                      0);
        }
    }
}

TEST_F(ScreenCaptureTest, AviOfEveryOfferedCodecDecodesBackToTheDrawnFrame) {
    if (std::system("ffprobe -version >/dev/null 2>&1 && ffmpeg -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs ffprobe and ffmpeg";
    const std::vector<SCodecChoice> codecs = CAviFileWriter::AvailableCodecs();
    // At least full frames, Motion JPEG and one lossless codec are offered.
    ASSERT_GE(codecs.size(), 3u);
    EXPECT_EQ(codecs[0].codec, "rawvideo");
    EXPECT_EQ(codecs[1].codec, "mjpeg");
    EXPECT_TRUE(codecs[2].lossless);

    const SBitmapInfoHeader header = DibHeader(kWidth, kHeight);
    const Bytes dib = ReadBack(header);
    for (const SCodecChoice& codec : codecs) {
        SCOPED_TRACE(codec.codec);
        const std::string path = m_dir.Path() + "/" + codec.codec + ".avi";
        {
            CAviFileWriter writer;
            ASSERT_TRUE(writer.SetFormat(header, 30));
            ASSERT_TRUE(writer.Create(path));
            ASSERT_TRUE(writer.MakeCompressedStream({codec.codec})) << writer.GetError();
            for (int i = 0; i < 4; ++i)
                ASSERT_TRUE(writer.WriteFrame(dib.data())) << writer.GetError();
            EXPECT_GT(writer.GetBytesWritten(), 0);
            ASSERT_TRUE(writer.Release());
        }
        EXPECT_EQ(RunCommand("ffprobe -v error -count_frames -show_entries "
                             "stream=codec_type,width,height,r_frame_rate,nb_read_frames "
                             "-of csv=p=0 '" +
                             path + "'")
                      .output,
                  "video,640,480,30/1,4\n");
        const std::string frame =
            RunCommand("ffmpeg -v error -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -")
                .output;
        ASSERT_EQ(frame.size(), static_cast<std::size_t>(kWidth) * kHeight * 3);
        const auto [differing, levels] = CompareWithDrawn(kWidth, [&](int x, int y) {
            const auto* p = reinterpret_cast<const unsigned char*>(frame.data()) +
                            (static_cast<std::size_t>(y) * kWidth + x) * 3;
            return std::array<int, 3>{p[0], p[1], p[2]};
        });
        if (codec.lossless)
            EXPECT_EQ(differing, 0);
        else
            EXPECT_LE(static_cast<double>(levels) / (3.0 * kWidth * kHeight), 8.0);
    }
}

// The failures the capture session can meet, after a good format.
TEST_F(ScreenCaptureTest, AviWriterErrorCodesNameTheFailingStep) {
    SetCompressionChooser(
        [](const std::vector<SCodecChoice>&, SCompressOptions&) { return false; });
    SCompressOptions options;
    CAviFileWriter writer;
    ASSERT_TRUE(writer.SetFormat(DibHeader(kWidth, kHeight), 30));
    EXPECT_FALSE(writer.Create(m_dir.Path() + "/missing/a.avi"));
    EXPECT_EQ(writer.GetError(), 3);
    ASSERT_TRUE(writer.Create(m_dir.Path() + "/a.avi"));
    EXPECT_FALSE(writer.ChooseCompression(options)); // the dialog cancelled
    EXPECT_EQ(writer.GetError(), 5);
    EXPECT_FALSE(writer.MakeCompressedStream({"no-such"}));
    EXPECT_EQ(writer.GetError(), 6);
    SetCompressionChooser(nullptr);
}
