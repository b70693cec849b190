// The picture of the givens for print. The SVG comes from the portable
// picture unit; the PNG is drawn into a top-down 24-bit DIB, encoded by WIC
// into memory and then written like every other save, so that a failed
// encoding never touches the file.
#include "ui/picture_export.h"

#include <windows.h>

#include <commdlg.h>
#include <wincodec.h>

#include <vector>

#include "analysis/puzzle_text.h"
#include "picture/puzzle_svg.h"
#include "ui/file_replace.h"
#include "ui/ui_state.h"

namespace numpl {

namespace {

const wchar_t CAPTION[] = L"ナンプレ";

// Releases a COM interface at the end of its scope.
template <class T> struct ComRef {
    T* p = nullptr;
    ~ComRef() {
        if (p != nullptr) p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

// The DIB rows are padded to whole 32-bit words, as GDI lays them out.
UINT strideOf(int32_t width) { return static_cast<UINT>((width * 3 + 3) & ~3); }

void fillBox(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    RECT box = {left, top, right, bottom};
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// Thin lines first, so that the thick ones cover their ends.
void drawGridLines(HDC dc, int32_t boxOrder) {
    int32_t side = boxOrder * boxOrder;
    int32_t start = PNG_MARGIN_PX;
    int32_t end = PNG_MARGIN_PX + side * PNG_CELL_PX;
    for (int32_t pass = 0; pass < 2; ++pass) {
        for (int32_t i = 0; i <= side; ++i) {
            bool thick = i % boxOrder == 0;
            if (thick != (pass == 1)) continue;
            int32_t at = start + i * PNG_CELL_PX;
            int32_t before = thick ? 1 : 0;
            int32_t after = thick ? 2 : 1;
            fillBox(dc, start - before, at - before, end + after, at + after);
            fillBox(dc, at - before, start - before, at + after, end + after);
        }
    }
}

// The digits in the user's message font, sized for the cell as the grid's
// cells are.
void drawGivens(HDC dc, int32_t boxOrder, const int32_t* givens) {
    int32_t side = boxOrder * boxOrder;
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font = {};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) font = metrics.lfMessageFont;
    font.lfHeight = -PNG_CELL_PX * 3 / 5;
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    font.lfQuality = ANTIALIASED_QUALITY;
    HFONT made = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, made);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    for (int32_t k = 0; k < side * side; ++k) {
        if (givens[k] == 0) continue;
        wchar_t text[2] = {static_cast<wchar_t>(givens[k] <= side ? digitSymbol(givens[k]) : '?'), L'\0'};
        RECT cell = {PNG_MARGIN_PX + (k % side) * PNG_CELL_PX, PNG_MARGIN_PX + (k / side) * PNG_CELL_PX, 0, 0};
        cell.right = cell.left + PNG_CELL_PX;
        cell.bottom = cell.top + PNG_CELL_PX;
        DrawTextW(dc, text, 1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, old);
    DeleteObject(made);
}

// PNG bytes of a top-down 24-bit BGR image, through WIC into memory.
bool encodePng(const BYTE* pixels, int32_t width, int32_t height, std::string* png) {
    ComRef<IWICImagingFactory> factory;
    ComRef<IStream> stream;
    ComRef<IWICBitmapEncoder> encoder;
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    UINT stride = strideOf(width);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(factory.out()))) &&
              SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) &&
              SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(frame.out(), options.out())) &&
              SUCCEEDED(frame->Initialize(options.p)) &&
              SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
              SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
              SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                           const_cast<BYTE*>(pixels))) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    STATSTG status = {};
    HGLOBAL memory = nullptr;
    ok = ok && SUCCEEDED(stream->Stat(&status, STATFLAG_NONAME)) && SUCCEEDED(GetHGlobalFromStream(stream.p, &memory));
    const void* bytes = ok ? GlobalLock(memory) : nullptr;
    if (bytes == nullptr) return false;
    png->assign(static_cast<const char*>(bytes), static_cast<size_t>(status.cbSize.QuadPart));
    GlobalUnlock(memory);
    return true;
}

// The givens of the grid on screen, row by row.
std::vector<int32_t> givensOnScreen() {
    int32_t side = gridSide();
    std::vector<int32_t> givens(static_cast<size_t>(side * side));
    for (int32_t k = 0; k < side * side; ++k)
        givens[static_cast<size_t>(k)] = uiState.puzzle->givens[k / side][k % side];
    return givens;
}

void showMessage(const std::wstring& text) {
    MessageBoxW(windowLayout.frame, text.c_str(), CAPTION, MB_OK | MB_ICONWARNING);
}

} // namespace

bool drawPuzzlePng(int32_t boxOrder, const int32_t* givens, std::string* png) {
    int32_t size = pngSidePx(boxOrder * boxOrder);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top-down, the row order WIC takes
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    bool drawn = bitmap != nullptr && dc != nullptr;
    if (drawn) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all = {0, 0, size, size};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        drawGridLines(dc, boxOrder);
        drawGivens(dc, boxOrder, givens);
        GdiFlush();
        SelectObject(dc, old);
    }
    // WIC needs COM on this thread; a thread that already has it keeps it.
    HRESULT com = drawn ? CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
    drawn = drawn && encodePng(static_cast<const BYTE*>(pixels), size, size, png);
    if (SUCCEEDED(com)) CoUninitialize();
    if (dc != nullptr) DeleteDC(dc);
    if (bitmap != nullptr) DeleteObject(bitmap);
    return drawn;
}

bool savePicture(const wchar_t* path, PictureFormat format) {
    if (uiState.puzzle == nullptr || windowLayout.boxOrder == 0) return false;
    std::vector<int32_t> givens = givensOnScreen();
    std::string bytes;
    if (format == PICTURE_SVG) {
        bytes = puzzleSvg(windowLayout.boxOrder, givens.data());
    } else if (!drawPuzzlePng(windowLayout.boxOrder, givens.data(), &bytes)) {
        showMessage(L"PNG 画像を作れませんでした。");
        return false;
    }
    bool saved = replaceFileContents(path, bytes);
    if (!saved) showMessage(std::wstring(L"ファイル「") + path + L"」に画像を保存できませんでした。");
    return saved;
}

void savePictureAs() {
    static const wchar_t* const EXTENSIONS[] = {L"svg", L"png"};
    // The dialog opens on the type chosen last time.
    static DWORD lastFormat = PICTURE_SVG;
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = windowLayout.frame;
    dialog.lpstrFilter = L"SVG 画像 (*.svg)\0*.svg\0PNG 画像 (*.png)\0*.png\0";
    dialog.nFilterIndex = lastFormat;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"画像として保存";
    dialog.lpstrDefExt = EXTENSIONS[lastFormat - 1];
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return;
    lastFormat = dialog.nFilterIndex == PICTURE_PNG ? PICTURE_PNG : PICTURE_SVG;
    savePicture(path, static_cast<PictureFormat>(lastFormat));
}

} // namespace numpl
