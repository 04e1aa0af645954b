// Flag tiles painted by the window procedure into a memory device context and read
// back pixel by pixel: fill, outline, text colour by luminance, pressed and focus states.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app_fixture.h"
#include "ui/ids.h"

using namespace quillnet;

namespace {

constexpr int W = 100;
constexpr int H = 40;
constexpr COLORREF OUTLINE = 0x1E1E1E;
constexpr COLORREF WHITE = 0xFFFFFF;
constexpr COLORREF DARK = 0x141414;
constexpr COLORREF UNTOUCHED = 0xFF00FF;

// A 32-bit top-down bitmap selected into a memory DC together with the program's font.
class Canvas {
public:
    explicit Canvas(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = W;
        info.bmiHeader.biHeight = -H;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<std::uint32_t*>(bits);
        old_bitmap_ = SelectObject(dc_, bitmap_);
        old_font_ = SelectObject(dc_, font);
        clear();
    }
    ~Canvas() {
        SelectObject(dc_, old_font_);
        SelectObject(dc_, old_bitmap_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void clear() {
        GdiFlush();
        for (int i = 0; i < W * H; ++i) bits_[i] = 0x00FF00FF;
    }
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const {
        GdiFlush();
        const std::uint32_t p = bits_[y * W + x];  // 0x00RRGGBB
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int count(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) n += at(x, y) == colour ? 1 : 0;
        return n;
    }
    // Bounding box of the pixels of one colour inside the outline.
    RECT box_of(COLORREF colour) const {
        RECT r{W, H, -1, -1};
        for (int y = 3; y < H - 3; ++y)
            for (int x = 3; x < W - 3; ++x)
                if (at(x, y) == colour) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x);
                    r.bottom = std::max<LONG>(r.bottom, y);
                }
        return r;
    }
    std::vector<COLORREF> pixels() const {
        std::vector<COLORREF> all;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) all.push_back(at(x, y));
        return all;
    }

private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    HGDIOBJ old_bitmap_ = nullptr;
    HGDIOBJ old_font_ = nullptr;
};

LRESULT paint(AppState& s, Canvas& canvas, int id, UINT state, UINT type = ODT_BUTTON) {
    DRAWITEMSTRUCT item{};
    item.CtlType = type;
    item.CtlID = static_cast<UINT>(id);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    const std::size_t slot = static_cast<std::size_t>(id - FLAG_BUTTON_BASE);
    item.hwndItem = slot < s.flag_buttons.size() ? s.flag_buttons[slot] : nullptr;
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, W, H};
    return SendMessageW(s.main_window, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
}

qntest::AppConfig seven_flags() {
    qntest::AppConfig config;
    config.extra_ini =
        "[flags]\r\nRed = #DC2828\r\nBlue = #285ADC\r\nGreen = #1EA03C\r\nYellow = #E6BE1E\r\n"
        "Orange = #EB8214\r\nPurple = #8C3CBE\r\nEven = #8C8C8C\r\n";
    return config;
}

}  // namespace

TEST(FlagButtons, TilesTakeTheFlagColourAThinOutlineAndReadableText) {
    qntest::RunningApp program(L"flags-colour", seven_flags());
    AppState& s = program.state();
    ASSERT_EQ(s.flag_buttons.size(), 7u);
    Canvas canvas(s.normal_font);
    // Yellow (183.7), Orange (148.9) and the grey of luminance exactly 140 get dark text.
    const bool dark_text[] = {false, false, false, true, true, false, true};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(s.settings.flags[static_cast<std::size_t>(i)].name);
        canvas.clear();
        EXPECT_EQ(paint(s, canvas, FLAG_BUTTON_BASE + i, 0), TRUE);
        const COLORREF fill = s.settings.flags[static_cast<std::size_t>(i)].colour;
        EXPECT_EQ(canvas.at(5, 5), fill);
        EXPECT_EQ(canvas.at(0, 0), OUTLINE);
        EXPECT_EQ(canvas.at(0, H / 2), OUTLINE);
        EXPECT_EQ(canvas.at(W - 1, H - 1), OUTLINE);
        EXPECT_EQ(canvas.at(1, H / 2), fill);
        EXPECT_EQ(canvas.at(W - 2, H / 2), fill);
        EXPECT_EQ(canvas.count(UNTOUCHED), 0);
        EXPECT_GT(canvas.count(dark_text[i] ? DARK : WHITE), 5);
        EXPECT_EQ(canvas.count(dark_text[i] ? WHITE : DARK), 0);
    }
}

TEST(FlagButtons, PressedTileHasATwoPixelOutlineAndItsTextMovesDownRight) {
    qntest::RunningApp program(L"flags-pressed", qntest::AppConfig{});
    AppState& s = program.state();
    Canvas canvas(s.normal_font);
    const COLORREF fill = s.settings.flags[0].colour;
    paint(s, canvas, FLAG_BUTTON_BASE, 0);
    const RECT released = canvas.box_of(WHITE);
    ASSERT_LT(released.left, released.right);
    EXPECT_EQ(canvas.at(1, H / 2), fill);
    int released_row = 0;
    for (int x = 0; x < W; ++x) released_row += canvas.at(x, H / 2) == OUTLINE ? 1 : 0;
    EXPECT_EQ(released_row, 2);

    canvas.clear();
    paint(s, canvas, FLAG_BUTTON_BASE, ODS_SELECTED);
    const RECT pressed = canvas.box_of(WHITE);
    // The two-pixel pen is centred on the tile's edge, so part of it falls outside the
    // tile: count the outline pixels across the middle row and column.
    int row = 0, column = 0;
    for (int x = 0; x < W; ++x) row += canvas.at(x, H / 2) == OUTLINE ? 1 : 0;
    for (int y = 0; y < H; ++y) column += canvas.at(W / 4, y) == OUTLINE ? 1 : 0;
    EXPECT_EQ(canvas.at(0, H / 2), OUTLINE);
    EXPECT_EQ(canvas.at(W - 1, H / 2), OUTLINE);
    EXPECT_EQ(canvas.at(W - 2, H / 2), OUTLINE);
    EXPECT_EQ(canvas.at(W / 4, H - 2), OUTLINE);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(column, 3);
    EXPECT_EQ(canvas.at(2, H / 2), fill);
    EXPECT_EQ(pressed.left, released.left + 1);
    EXPECT_EQ(pressed.top, released.top + 1);
    EXPECT_EQ(pressed.right, released.right + 1);
    EXPECT_EQ(pressed.bottom, released.bottom + 1);
}

TEST(FlagButtons, FocusDrawsTheDottedRectangleOnTheTileEdgeOnly) {
    qntest::RunningApp program(L"flags-focus", qntest::AppConfig{});
    AppState& s = program.state();
    Canvas canvas(s.normal_font);
    paint(s, canvas, FLAG_BUTTON_BASE + 2, 0);
    const std::vector<COLORREF> plain = canvas.pixels();
    canvas.clear();
    paint(s, canvas, FLAG_BUTTON_BASE + 2, ODS_FOCUS);
    const std::vector<COLORREF> focused = canvas.pixels();
    int changed = 0, changed_inside = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            if (plain[static_cast<std::size_t>(y * W + x)] == focused[static_cast<std::size_t>(y * W + x)]) continue;
            ++changed;
            if (x > 0 && y > 0 && x < W - 1 && y < H - 1) ++changed_inside;
        }
    EXPECT_GT(changed, 40);
    EXPECT_EQ(changed_inside, 0);
}

TEST(FlagButtons, DrawRequestsBeyondTheFlagsAreLeftToTheDefaultHandling) {
    qntest::RunningApp program(L"flags-beyond", qntest::AppConfig{});
    AppState& s = program.state();
    Canvas canvas(s.normal_font);
    EXPECT_EQ(paint(s, canvas, FLAG_BUTTON_BASE + 6, 0), FALSE);
    EXPECT_EQ(paint(s, canvas, FLAG_BUTTON_BASE - 1, 0), FALSE);
    EXPECT_EQ(paint(s, canvas, FLAG_BUTTON_BASE, 0, ODT_STATIC), FALSE);
    EXPECT_EQ(canvas.count(UNTOUCHED), W * H);
}
