// The "ヘルプ" menu in the real window: "使い方" hands the guide beside the
// program to the opener or says where it should have been, and
// "バージョン情報" shows this build in a modal dialog that OK closes. The
// dialogs are real; a watcher thread reads and answers them, since they run
// their own message loops on the test's thread. Also the icon that the
// dialog, the window and Explorer show.
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "numpl_version.h"
#include "ui/help.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

// What the watcher saw of one dialog before it pressed OK.
struct SeenDialog {
    HWND owner = nullptr;
    bool ownerEnabled = true;   // a modal dialog disables its owner
    bool hasIcon = false;       // an SS_ICON static holds an icon
    std::map<int, std::wstring> texts;  // by control id; a message box's text is 0xFFFF
};

class DialogWatcher {
public:
    explicit DialogWatcher(const wchar_t* caption) : caption_(caption), thread_([this] { run(); }) {}
    ~DialogWatcher() {
        stop_ = true;
        thread_.join();
    }
    std::vector<SeenDialog> seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    static BOOL CALLBACK readChild(HWND child, LPARAM data) {
        auto* dialog = reinterpret_cast<SeenDialog*>(data);
        dialog->texts[GetDlgCtrlID(child)] = textOf(child);
        wchar_t className[16] = L"";
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0)
            dialog->hasIcon = true;
        return TRUE;
    }

    void run() {
        while (!stop_) {
            HWND dialog = FindWindowW(L"#32770", caption_);
            if (dialog != nullptr && IsWindowVisible(dialog)) {
                SeenDialog seen;
                seen.owner = GetWindow(dialog, GW_OWNER);
                seen.ownerEnabled = IsWindowEnabled(seen.owner) != 0;
                EnumChildWindows(dialog, readChild, reinterpret_cast<LPARAM>(&seen));
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    seen_.push_back(seen);
                }
                HWND ok = GetDlgItem(dialog, IDOK);
                if (ok == nullptr) ok = GetDlgItem(dialog, IDCANCEL);
                SendMessageTimeoutW(ok, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
                while (!stop_ && IsWindow(dialog)) Sleep(5);
            }
            Sleep(10);
        }
    }

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    const wchar_t* caption_;
    std::thread thread_;
};

std::wstring testFolder;
std::vector<std::wstring> openedPaths;
std::vector<HWND> openedOwners;
bool openerSucceeds = true;

bool recordOpen(HWND owner, const wchar_t* path) {
    openedOwners.push_back(owner);
    openedPaths.push_back(path);
    return openerSucceeds;
}

bool fileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring folderOfTestProgram() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path, length);
    return full.substr(0, full.find_last_of(L'\\') + 1);
}

class HelpTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        testFolder = std::wstring(temp) + L"numpl-help-test\\";
        CreateDirectoryW(testFolder.c_str(), nullptr);
        CreateDirectoryW((testFolder + L"docs").c_str(), nullptr);
        savedOpener_ = documentOpener;
        savedFolder_ = programFolder;
        documentOpener = recordOpen;
        openedPaths.clear();
        openedOwners.clear();
    }
    void TearDown() override {
        documentOpener = savedOpener_;
        programFolder = savedFolder_;
        DeleteFileW((testFolder + L"docs\\guide-ja.html").c_str());
        RemoveDirectoryW((testFolder + L"docs").c_str());
        RemoveDirectoryW(testFolder.c_str());
        UiTest::TearDown();
    }

    bool (*savedOpener_)(HWND, const wchar_t*) = nullptr;
    std::wstring (*savedFolder_)() = nullptr;
};

TEST_F(HelpTest, MenuOffersBothCommands) {
    HMENU help = GetSubMenu(GetMenu(frame), GetMenuItemCount(GetMenu(frame)) - 1);
    wchar_t text[64];
    GetMenuStringW(GetMenu(frame), GetMenuItemCount(GetMenu(frame)) - 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"ヘルプ", text) << "ヘルプ is the last menu";
    const struct {
        int position;
        int id;
        const wchar_t* text;
    } items[] = {{0, IDM_GUIDE, L"使い方"}, {2, IDM_ABOUT, L"バージョン情報"}};
    for (const auto& item : items) {
        EXPECT_EQ(static_cast<UINT>(item.id), GetMenuItemID(help, item.position)) << item.id;
        GetMenuStringW(help, item.position, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(item.text, text);
    }
}

// The last case is the real folder of the program, where the build copies
// the repository's docs: the guide is there exactly when the sources have one.
TEST_F(HelpTest, GuideIsOpenedWhenPresentAndNamedWhenNot) {
    const bool sourcesHaveGuide = fileExists(L"" NUMPL_SOURCE_DIR L"/docs/guide-ja.html");
    const struct {
        const char* name;
        bool besideProgram;
        bool guidePresent;
        bool opens;
        const wchar_t* message;  // its first line; null for none
    } cases[] = {
        {"missing", false, false, true, L"使い方の説明書が見つかりません。"},
        {"present", false, true, true, nullptr},
        {"no program for HTML files", false, true, false, L"使い方の説明書を開けませんでした。"},
        {"beside the program", true, sourcesHaveGuide, true,
         sourcesHaveGuide ? nullptr : L"使い方の説明書が見つかりません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        programFolder = c.besideProgram ? savedFolder_ : +[] { return testFolder; };
        std::wstring folder = c.besideProgram ? folderOfTestProgram() : testFolder;
        std::wstring guide = folder + L"docs\\guide-ja.html";
        if (!c.besideProgram) {
            DeleteFileW(guide.c_str());
            if (c.guidePresent) {
                HANDLE file = CreateFileW(guide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
                ASSERT_NE(INVALID_HANDLE_VALUE, file);
                CloseHandle(file);
            }
        }
        openerSucceeds = c.opens;
        openedPaths.clear();
        openedOwners.clear();
        std::vector<SeenDialog> boxes;
        {
            DialogWatcher watcher(L"ナンプレ");
            SendMessageW(frame, WM_COMMAND, IDM_GUIDE, 0);
            boxes = watcher.seen();
        }
        if (c.guidePresent) {
            ASSERT_EQ(1u, openedPaths.size());
            EXPECT_EQ(guide, openedPaths[0]);
            EXPECT_EQ(frame, openedOwners[0]);
        } else {
            EXPECT_TRUE(openedPaths.empty()) << "a missing guide is not handed to the browser";
        }
        if (c.message == nullptr) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ(std::wstring(c.message) + L"\n" + guide, boxes[0].texts[0xFFFF]);
            EXPECT_EQ(frame, boxes[0].owner);
        }
    }
}

TEST_F(HelpTest, AboutShowsThisBuildAndClosesOnOk) {
    std::vector<SeenDialog> dialogs;
    {
        DialogWatcher watcher(L"バージョン情報");
        // Returns once the dialog has closed.
        SendMessageW(frame, WM_COMMAND, IDM_ABOUT, 0);
        dialogs = watcher.seen();
    }
    ASSERT_EQ(1u, dialogs.size());
    SeenDialog& about = dialogs[0];
    EXPECT_EQ(frame, about.owner);
    EXPECT_FALSE(about.ownerEnabled) << "the dialog is modal";
    EXPECT_TRUE(about.hasIcon);
    EXPECT_EQ(L"numpl（ナンプレ解析）", about.texts[IDC_ABOUT_NAME]);
    EXPECT_EQ(L"バージョン " NUMPL_VERSION_TEXT, about.texts[IDC_ABOUT_VERSION]);
    std::wstring date = about.texts[IDC_ABOUT_BUILD_DATE];
    ASSERT_EQ(std::wstring(L"ビルド日 YYYY-MM-DD").size(), date.size()) << date;
    EXPECT_EQ(L"ビルド日 ", date.substr(0, 5));
    EXPECT_EQ(std::wstring::npos, date.substr(5).find_first_not_of(L"0123456789-")) << date;
    EXPECT_EQ(L"MIT ライセンス", about.texts[IDC_ABOUT_LICENCE]);
    EXPECT_NE(std::wstring::npos, about.texts[IDC_ABOUT_DESCRIPTION].find(L"25x25"));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", L"バージョン情報"));
}

TEST(HelpBuildDate, CompilerDateReadsAsYearMonthDay) {
    const struct {
        const char* compiler;
        const wchar_t* shown;
    } cases[] = {
        {"Jan  1 2026", L"2026-01-01"}, {"Mar  7 2026", L"2026-03-07"}, {"Oct 10 2025", L"2025-10-10"},
        {"Dec 31 1999", L"1999-12-31"}, {"Foo  1 2026", L""},           {"Jan 1 2026", L""},
        {"Jan  1 20X6", L""},           {"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.shown, isoBuildDate(c.compiler)) << c.compiler;
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;  // 0 for 256
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// Each size is drawn for itself, not scaled by Windows from another; the
// top-left box is a given in the window's light blue and the next one is
// empty, at every size (the channel order of the bitmaps differs from PNG's).
TEST(HelpIcon, EverySizeIsInTheResourceInTheGridsColours) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC groupResource = FindResourceW(module, MAKEINTRESOURCEW(IDI_NUMPL), RT_GROUP_ICON);
    ASSERT_NE(nullptr, groupResource);
    const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(module, groupResource)));
    const WORD count = reinterpret_cast<const WORD*>(group)[2];
    const auto* entries = reinterpret_cast<const IconGroupEntry*>(group + 6);
    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const IconGroupEntry* entry = nullptr;
        for (WORD i = 0; i < count; ++i) {
            if (entries[i].width == size % 256 && entries[i].bitCount == 32) entry = &entries[i];
        }
        ASSERT_NE(nullptr, entry);
        HRSRC imageResource = FindResourceW(module, MAKEINTRESOURCEW(entry->id), RT_ICON);
        ASSERT_NE(nullptr, imageResource);
        auto* image = static_cast<BYTE*>(LockResource(LoadResource(module, imageResource)));
        HICON icon = CreateIconFromResourceEx(image, SizeofResource(module, imageResource), TRUE, 0x00030000, size,
                                              size, LR_DEFAULTCOLOR);
        ASSERT_NE(nullptr, icon);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = -size;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(nullptr, canvas);
        HGDIOBJ old = SelectObject(dc, canvas);
        PatBlt(dc, 0, 0, size, size, BLACKNESS);
        DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        GdiFlush();
        auto pixel = [&](int x, int y) { return static_cast<const DWORD*>(bits)[y * size + x] & 0xFFFFFF; };
        int inside = size * 12 / 100;  // inside the top-left box, off its digit
        EXPECT_EQ(0x9DCCE0u, pixel(inside, inside)) << "light blue, RGB(157, 204, 224)";
        EXPECT_EQ(0xFFFFFFu, pixel(size / 2, inside)) << "white";
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
        DestroyIcon(icon);
    }
}

} // namespace
} // namespace numpl::test
