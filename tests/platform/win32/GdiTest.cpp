#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "platform/d3dx8/BmpImage.h"
#include "platform/win32/Win32Platform.h"
#include "support/TempDir.h"

namespace {

constexpr DWORD kCaptionStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
constexpr uint32_t kRgbMask = 0x00FFFFFF;
constexpr uint32_t kBlack = 0;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr const char* kLoading = "Loading...";
constexpr int kLoadingLength = 10;

LRESULT CALLBACK PlainWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

BmpImage Pattern(uint32_t width, uint32_t height)
{
    BmpImage image;
    image.width = width;
    image.height = height;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            image.pixels.push_back(0xFF000000u | ((x * 4) << 16) | ((y * 5) << 8) | ((x + 2 * y) & 0xFF));
    }
    return image;
}

uint32_t At(const BmpImage& image, int x, int y)
{
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// Window pixels (top-left origin) read from the back buffer, before any swap.
std::vector<uint32_t> ReadWindow(int x, int y, int width, int height)
{
    std::vector<uint32_t> bottomUp(static_cast<size_t>(width) * height);
    glReadBuffer(GL_BACK);
    glReadPixels(x, kClientHeight - y - height, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 bottomUp.data());
    std::vector<uint32_t> rows;
    for (int row = height - 1; row >= 0; --row) {
        for (int column = 0; column < width; ++column)
            rows.push_back(bottomUp[static_cast<size_t>(row) * width + column] & kRgbMask);
    }
    return rows;
}

uint32_t ReadWindowPixel(int x, int y)
{
    return ReadWindow(x, y, 1, 1)[0];
}

// A 640 x 480 window, a game folder with a bitmap in it, and a paint in
// progress, as in the splash screen.
class GlWin32Gdi : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const bool registered = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = PlainWndProc;
            windowClass.lpszClassName = "KelmGdiTestClass";
            return RegisterClassA(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        RECT margins = {0, 0, 0, 0};
        AdjustWindowRect(&margins, kCaptionStyle, FALSE);
        m_hWnd = CreateWindowExA(0, "KelmGdiTestClass", "Project Kelm", kCaptionStyle, CW_USEDEFAULT,
                                 CW_USEDEFAULT, kClientWidth + margins.right - margins.left,
                                 kClientHeight + margins.bottom - margins.top, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(nullptr, m_hWnd);
        ShowWindow(m_hWnd, SW_SHOWNORMAL);

        m_Image = Pattern(64, 48);
        m_Folder.Write("assets/images/pattern.bmp", "");
        WriteFile(m_Folder.Path() + "/assets/images/pattern.bmp", EncodeBmp24(m_Image));
        m_Folder.Write("assets/images/broken.bmp", "BM this is not a bitmap");
        m_WorkingDir = std::make_unique<ScopedWorkingDir>(m_Folder.Path());

        m_hdc = BeginPaint(m_hWnd, &m_Paint);
        ASSERT_NE(nullptr, m_hdc);
        ASSERT_NE(0, FillRect(m_hdc, &m_Paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    }

    void TearDown() override
    {
        if (m_hdc != nullptr)
            EndPaint(m_hWnd, &m_Paint);
        m_WorkingDir.reset();
        DestroyWindow(m_hWnd);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Loads the pattern, blits it and releases everything, as the splash does.
    void Blit(int x, int y, int width, int height, int sourceX = 0, int sourceY = 0)
    {
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(nullptr, "Assets\\Images\\Pattern.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        ASSERT_NE(nullptr, bitmap);
        HDC memory = CreateCompatibleDC(nullptr);
        ASSERT_NE(nullptr, memory);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ASSERT_NE(nullptr, previous);
        EXPECT_TRUE(BitBlt(m_hdc, x, y, width, height, memory, sourceX, sourceY, SRCCOPY));
        EXPECT_FALSE(DeleteObject(bitmap)); // still selected
        EXPECT_EQ(static_cast<HGDIOBJ>(bitmap), SelectObject(memory, previous));
        EXPECT_TRUE(DeleteDC(memory));
        EXPECT_TRUE(DeleteObject(bitmap));
    }

    TempDir m_Folder;
    std::unique_ptr<ScopedWorkingDir> m_WorkingDir;
    HWND m_hWnd = nullptr;
    HDC m_hdc = nullptr;
    PAINTSTRUCT m_Paint = {};
    BmpImage m_Image;
};

TEST_F(GlWin32Gdi, PaintCoversTheClientArea)
{
    EXPECT_EQ(0, m_Paint.rcPaint.left);
    EXPECT_EQ(0, m_Paint.rcPaint.top);
    EXPECT_EQ(kClientWidth, m_Paint.rcPaint.right);
    EXPECT_EQ(kClientHeight, m_Paint.rcPaint.bottom);
}

TEST_F(GlWin32Gdi, BlitCopiesTheBitmapToTheWindow)
{
    Blit(100, 50, 64, 48);

    const std::vector<uint32_t> pixels = ReadWindow(100, 50, 64, 48);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(At(m_Image, x, y) & kRgbMask, pixels[y * 64 + x]) << x << "," << y;
    }
    EXPECT_EQ(kBlack, ReadWindowPixel(99, 50));
    EXPECT_EQ(kBlack, ReadWindowPixel(164, 97));
    EXPECT_EQ(kBlack, ReadWindowPixel(100, 98));
}

TEST_F(GlWin32Gdi, BlitIsClippedToTheWindowAndTheBitmap)
{
    // Hangs off the left and bottom edges and asks for more than the bitmap has.
    Blit(-10, kClientHeight - 10, 640, 480, 0, 2);

    EXPECT_EQ(At(m_Image, 10, 2) & kRgbMask, ReadWindowPixel(0, kClientHeight - 10));
    EXPECT_EQ(At(m_Image, 63, 11) & kRgbMask, ReadWindowPixel(53, kClientHeight - 1));
    EXPECT_EQ(kBlack, ReadWindowPixel(54, kClientHeight - 1));
    EXPECT_EQ(kBlack, ReadWindowPixel(0, kClientHeight - 11));
}

TEST_F(GlWin32Gdi, FillRectPaintsOnlyTheRectangle)
{
    HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
    const RECT rect = {20, 30, 60, 90};
    EXPECT_NE(0, FillRect(m_hdc, &rect, brush));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));

    EXPECT_EQ(0x0AC81Eu, ReadWindowPixel(20, 30));
    EXPECT_EQ(0x0AC81Eu, ReadWindowPixel(59, 89));
    EXPECT_EQ(kBlack, ReadWindowPixel(60, 89));
    EXPECT_EQ(kBlack, ReadWindowPixel(59, 90));
    EXPECT_EQ(kBlack, ReadWindowPixel(19, 30));
}

TEST_F(GlWin32Gdi, DrawingLeavesTheContextStateAlone)
{
    ASSERT_TRUE(Win32Platform::MakeGLCurrent(m_hWnd));
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glScissor(1, 2, 3, 4);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glBlendFunc(GL_ONE, GL_ONE);

    Blit(0, 0, 64, 48);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    const RECT rect = {0, 0, 8, 8};
    FillRect(m_hdc, &rect, brush);
    DeleteObject(brush);
    EXPECT_TRUE(TextOutA(m_hdc, 0, 100, kLoading, kLoadingLength));

    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    GLint scissor[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    EXPECT_EQ(1, scissor[0]);
    EXPECT_EQ(4, scissor[3]);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(0.25f, clear[0]);
    GLint blendSource = 0;
    glGetIntegerv(GL_BLEND_SRC, &blendSource);
    EXPECT_EQ(GL_ONE, blendSource);
    EXPECT_EQ(GL_NO_ERROR, static_cast<int>(glGetError()));
    // Texturing and blending were off for the copy itself.
    EXPECT_EQ(At(m_Image, 40, 20) & kRgbMask, ReadWindowPixel(40, 20));
}

TEST_F(GlWin32Gdi, OpaqueTextFillsItsCell)
{
    SetBkColor(m_hdc, RGB(255, 0, 0));
    SetTextColor(m_hdc, RGB(255, 255, 255));
    SIZE cell = {};
    ASSERT_TRUE(GetTextExtentPoint32A(m_hdc, kLoading, kLoadingLength, &cell));
    EXPECT_TRUE(TextOutA(m_hdc, 100, 200, kLoading, kLoadingLength));

    EXPECT_EQ(kRed, ReadWindowPixel(100, 200));
    EXPECT_EQ(kRed, ReadWindowPixel(100 + cell.cx - 1, 200 + cell.cy - 1));
    EXPECT_EQ(kBlack, ReadWindowPixel(99, 200));
    EXPECT_EQ(kBlack, ReadWindowPixel(100 + cell.cx, 200));
    EXPECT_EQ(kBlack, ReadWindowPixel(100, 200 + cell.cy));
    int white = 0;
    for (uint32_t pixel : ReadWindow(100, 200, cell.cx, cell.cy))
        white += pixel == kWhite ? 1 : 0;
    EXPECT_GT(white, 60);
}

TEST_F(GlWin32Gdi, MissingOrCorruptImagesLoadAsNothing)
{
    EXPECT_EQ(nullptr, LoadImageA(nullptr, "Assets\\Images\\nothere.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    EXPECT_EQ(nullptr, LoadImageA(nullptr, "Assets\\Images\\broken.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    EXPECT_EQ(nullptr, LoadImageA(nullptr, "Assets\\Images\\pattern.bmp", IMAGE_BITMAP, 0, 0, 0));
    EXPECT_EQ(nullptr, LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));

    // Nothing selected: a blit has no source.
    HDC memory = CreateCompatibleDC(m_hdc);
    EXPECT_FALSE(BitBlt(m_hdc, 0, 0, 10, 10, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(m_hdc)); // the window's own context
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    EXPECT_NE(nullptr, GetStockObject(BLACK_BRUSH));
}

} // namespace
