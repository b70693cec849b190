// "画像として保存..." through the real menu command and the real save
// dialog, which another thread answers as a user would (file type, a name
// without extension, 保存). The PNG is read back with WIC and judged by its
// pixels; the SVG must be the portable document of the grid on screen.
#include <windows.h>

#include <wincodec.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "picture/puzzle_svg.h"
#include "test_puzzles.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

// The common dialog's own control ids: the file type list, and the file
// name, an edit control inside a combo box of that id or on its own.
constexpr int FILE_TYPE_LIST = 0x470;
constexpr int FILE_NAME_COMBO = 0x47C;
constexpr int FILE_NAME_EDIT = 0x480;

// Waits for the dialog, chooses the type (1-based, as the filter list) and
// the name, and presses OK; `answered` tells whether it found the dialog.
void answerSaveDialog(int type, std::wstring name, std::atomic<bool>* answered) {
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && dialog == nullptr; ++i) {
        dialog = FindWindowW(L"#32770", L"画像として保存");
        if (dialog == nullptr) Sleep(10);
    }
    if (dialog == nullptr) return;
    HWND types = GetDlgItem(dialog, FILE_TYPE_LIST);
    SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(type - 1), 0);
    // A user's choice sends both notifications; dialogs act on either.
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(FILE_TYPE_LIST, code), reinterpret_cast<LPARAM>(types));
    }
    HWND field = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM found) {
            wchar_t kind[16] = L"";
            GetClassNameW(child, kind, 16);
            int id = GetDlgCtrlID(child);
            if (lstrcmpiW(kind, L"Edit") != 0 || (id != FILE_NAME_COMBO && id != FILE_NAME_EDIT)) return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&field));
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    *answered = types != nullptr && field != nullptr;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

struct Pixels {
    UINT width = 0;
    UINT height = 0;
    std::vector<BYTE> bgra; // 4 bytes a pixel, top-down
    bool dark(UINT x, UINT y) const { return bgra[(y * width + x) * 4 + 1] < 128; }
    bool white(UINT x, UINT y) const {
        const BYTE* p = &bgra[(y * width + x) * 4];
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
};

// The first frame of an image file as 32-bit BGRA, through WIC's decoder.
bool readImage(const std::wstring& path, Pixels* out) {
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapSource* converted = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                           WICDecodeMetadataCacheOnDemand, &decoder)) &&
              SUCCEEDED(decoder->GetFrame(0, &frame)) &&
              SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame, &converted)) &&
              SUCCEEDED(converted->GetSize(&out->width, &out->height));
    if (ok) {
        out->bgra.resize(static_cast<size_t>(out->width) * out->height * 4);
        ok = SUCCEEDED(converted->CopyPixels(nullptr, out->width * 4, static_cast<UINT>(out->bgra.size()),
                                             out->bgra.data()));
    }
    for (IUnknown* held : std::initializer_list<IUnknown*>{converted, frame, decoder, factory}) {
        if (held != nullptr) held->Release();
    }
    return ok;
}

std::string readBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char block[4096];
    DWORD done = 0;
    while (ReadFile(file, block, sizeof block, &done, nullptr) && done > 0) bytes.append(block, done);
    CloseHandle(file);
    return bytes;
}

class PictureTest : public UiTest {
protected:
    // Chooses the menu item and answers its dialog; the command returns once
    // the picture is written.
    bool saveThroughMenu(int type, const std::wstring& name) {
        std::atomic<bool> answered{false};
        std::thread answer(answerSaveDialog, type, name, &answered);
        SendMessageW(frame, WM_COMMAND, IDM_SAVE_PICTURE, 0);
        answer.join();
        return answered;
    }
};

// The 9x9 puzzle saved as PNG is 9 cells of 40 px and a margin of 20 px
// on each side: thick and thin lines are dark where they stand, a given's
// cell holds dark pixels of its digit, an empty cell is white throughout.
// As SVG it is the same document numpl-analyse draws.
TEST_F(PictureTest, SavesTheGridAsPngAndSvgByTheChosenType) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<int> givens = cellsFromText(UNIQUE_9);
    typeGrid(givens);
    ASSERT_TRUE(waitForNewResult(L"1"));
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring base = std::wstring(folder) + L"numpl-picture-test";
    DeleteFileW((base + L".png").c_str());
    DeleteFileW((base + L".svg").c_str());

    ASSERT_TRUE(saveThroughMenu(2, base));
    Pixels png;
    ASSERT_TRUE(readImage(base + L".png", &png)) << "no PNG at the name with .png added";
    ASSERT_EQ(400u, png.width);
    ASSERT_EQ(400u, png.height);
    const struct {
        UINT x, y;
        bool dark;
        const char* what;
    } probes[] = {
        {20, 40, true, "left border"},       {140, 101, true, "thick line after the third column"},
        {141, 301, true, "its second pixel"}, {90, 60, true, "thin line below the first row"},
        {120, 40, false, "centre of the empty cell (2, 0)"}, {10, 10, false, "margin"},
    };
    for (const auto& probe : probes) {
        EXPECT_EQ(probe.dark, png.dark(probe.x, probe.y)) << probe.what << " at " << probe.x << "," << probe.y;
    }
    for (int k = 0; k < 81; ++k) {
        UINT left = 20 + static_cast<UINT>(k % 9) * 40;
        UINT top = 20 + static_cast<UINT>(k / 9) * 40;
        int darkPixels = 0;
        bool allWhite = true;
        for (UINT y = top + 3; y < top + 38; ++y) {
            for (UINT x = left + 3; x < left + 38; ++x) {
                darkPixels += png.dark(x, y) ? 1 : 0;
                allWhite = allWhite && png.white(x, y);
            }
        }
        if (givens[static_cast<size_t>(k)] == 0) {
            EXPECT_TRUE(allWhite) << "empty cell " << k;
        } else {
            EXPECT_GT(darkPixels, 20) << "the digit of cell " << k;
        }
    }

    ASSERT_TRUE(saveThroughMenu(1, base));
    EXPECT_EQ(puzzleSvg(3, givens.data()), readBytes(base + L".svg"));
    DeleteFileW((base + L".png").c_str());
    DeleteFileW((base + L".svg").c_str());
    CoUninitialize();
}

} // namespace
} // namespace numpl::test
