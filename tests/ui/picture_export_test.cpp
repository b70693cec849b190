// "画像として保存..." through the real menu command and the real save
// dialog, which another thread answers as a user would (file type, a name
// without extension, 保存). The PNG is read back with WIC and judged by its
// pixels; the SVG must be the portable document of the grid on screen.
#include <windows.h>

#include <wincodec.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "picture/puzzle_svg.h"
#include "test_puzzles.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

// The common dialog's own control ids: the file type list, and the combo
// box that holds the file name's edit control.
constexpr int FILE_TYPE_LIST = 0x470;
constexpr int FILE_NAME_COMBO = 0x47C;

// Waits for the dialog, chooses the type (1-based, as the filter list) and
// the name, and presses OK; `answered` tells whether it found the dialog.
void answerSaveDialog(int type, std::wstring name, std::atomic<bool>* answered) {
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && (dialog = FindWindowW(L"#32770", L"画像として保存")) == nullptr; ++i) Sleep(10);
    if (dialog == nullptr) return;
    HWND types = GetDlgItem(dialog, FILE_TYPE_LIST);
    SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(type - 1), 0);
    // A user's choice sends both notifications; dialogs act on either.
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(FILE_TYPE_LIST, code), reinterpret_cast<LPARAM>(types));
    }
    HWND field = GetDlgItem(dialog, FILE_NAME_COMBO);
    for (HWND inner; (inner = FindWindowExW(field, nullptr, nullptr, nullptr)) != nullptr;) field = inner;
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    *answered = types != nullptr && field != nullptr;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

struct Pixels {
    UINT width = 0;
    UINT height = 0;
    std::vector<BYTE> bgra; // 4 bytes a pixel, top-down
    const BYTE* at(LONG x, LONG y) const { return &bgra[(y * width + x) * 4]; }
    bool dark(LONG x, LONG y) const { return at(x, y)[1] < 128; }
    bool white(LONG x, LONG y) const { return at(x, y)[0] == 255 && at(x, y)[1] == 255 && at(x, y)[2] == 255; }
};

// The first frame of an image file as 32-bit BGRA, through WIC's decoder.
bool readImage(const std::wstring& path, Pixels* out) {
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapSource* converted = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                           WICDecodeMetadataCacheOnDemand, &decoder)) &&
              SUCCEEDED(decoder->GetFrame(0, &frame)) &&
              SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame, &converted)) &&
              SUCCEEDED(converted->GetSize(&out->width, &out->height));
    out->bgra.resize(ok ? static_cast<size_t>(out->width) * out->height * 4 : 0);
    ok = ok && SUCCEEDED(converted->CopyPixels(nullptr, out->width * 4, static_cast<UINT>(out->bgra.size()),
                                               out->bgra.data()));
    for (IUnknown* held : std::initializer_list<IUnknown*>{converted, frame, decoder, factory})
        if (held != nullptr) held->Release();
    return ok;
}

std::string readBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Chooses the menu item and answers its dialog; the command returns once the
// picture is written.
bool saveThroughMenu(HWND frame, int type, const std::wstring& name) {
    std::atomic<bool> answered{false};
    std::thread answer(answerSaveDialog, type, name, &answered);
    SendMessageW(frame, WM_COMMAND, IDM_SAVE_PICTURE, 0);
    answer.join();
    return answered;
}

// The 9x9 puzzle saved as PNG is 9 cells of 40 px and a margin of 20 px on
// each side: thick and thin lines are dark where they stand, a given's cell
// holds the dark pixels of its digit, an empty cell is white throughout. As
// SVG it is the same document numpl-analyse draws.
using PictureTest = UiTest;

TEST_F(PictureTest, SavesThePictureAsPngOrSvgByTheChosenType) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<int> givens = cellsFromText(UNIQUE_9);
    typeGrid(givens);
    ASSERT_TRUE(waitForNewResult(L"1"));
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring base = std::wstring(folder) + L"numpl-picture-test";
    for (const wchar_t* extension : {L".png", L".svg"}) DeleteFileW((base + extension).c_str());

    ASSERT_TRUE(saveThroughMenu(frame, 2, base));
    Pixels png;
    ASSERT_TRUE(readImage(base + L".png", &png)) << "no PNG at the name with .png added";
    ASSERT_EQ(400u, png.width);
    ASSERT_EQ(400u, png.height);
    // The left border, both sides of the thick line after the third column,
    // the thin line below the first row.
    for (POINT dark : {POINT{20, 40}, POINT{139, 101}, POINT{141, 301}, POINT{90, 60}}) {
        EXPECT_TRUE(png.dark(dark.x, dark.y)) << dark.x << "," << dark.y;
    }
    EXPECT_TRUE(png.white(10, 10)) << "the margin";
    for (int k = 0; k < 81; ++k) {
        int dark = 0;
        int notWhite = 0;
        for (LONG y = 23 + k / 9 * 40; y < 58 + k / 9 * 40; ++y) {
            for (LONG x = 23 + k % 9 * 40; x < 58 + k % 9 * 40; ++x) {
                dark += png.dark(x, y) ? 1 : 0;
                notWhite += png.white(x, y) ? 0 : 1;
            }
        }
        EXPECT_TRUE(givens[k] == 0 ? notWhite == 0 : dark > 20) << "cell " << k << " holding " << givens[k];
    }

    ASSERT_TRUE(saveThroughMenu(frame, 1, base));
    EXPECT_EQ(puzzleSvg(3, givens.data()), readBytes(base + L".svg"));
    for (const wchar_t* extension : {L".png", L".svg"}) DeleteFileW((base + extension).c_str());
    CoUninitialize();
}

} // namespace
} // namespace numpl::test
