#include "core/app/Application.h"
#include "core/app/GlobalConstants.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace {

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A fresh folder under the temporary folder that stands in for the application-data folder.
class SettingsPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"app_settings_" + std::to_wstring(GetCurrentProcessId());
        appData_ = root_ + L"\\AppData";
        CreateDirectoryW(root_.c_str(), nullptr);
        ASSERT_TRUE(CreateDirectoryW(appData_.c_str(), nullptr) || isFolder(appData_));
    }
    void TearDown() override {
        for (const wchar_t* name : {L"Varnel", L"Sifton", L"Plexwright", L"my.tool"})
            RemoveDirectoryW((appData_ + L"\\" + name).c_str());
        RemoveDirectoryW(appData_.c_str());
        RemoveDirectoryW(root_.c_str());
    }

    std::wstring root_;
    std::wstring appData_;
};

} // namespace

TEST_F(SettingsPathTest, InstalledProgramsKeepSettingsInTheApplicationDataFolder) {
    struct Case {
        const wchar_t* exe;
        const wchar_t* programFiles;
        const wchar_t* folder; // under the application-data folder; null: beside the program
        const wchar_t* expected; // the file name, or the full path when beside the program
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Varnel\\Varnel.exe", L"C:\\Program Files", L"Varnel", L"Varnel.cfg"},
        // Letter case and separators do not matter.
        {L"c:/PROGRAM FILES/Sifton/Sifton.exe", L"C:\\Program Files", L"Sifton", L"Sifton.cfg"},
        {L"C:\\Program Files\\Varnel\\Varnel.exe", L"c:/program files/", L"Varnel", L"Varnel.cfg"},
        // A plain prefix: a sibling folder that begins with the same letters counts as installed.
        {L"C:\\Program Files (x86)\\Tools\\Plexwright.EXE", L"C:\\Program Files", L"Plexwright",
         L"Plexwright.cfg"},
        {L"C:\\Program Files\\A\\my.tool.exe", L"C:\\Program Files", L"my.tool", L"my.tool.cfg"},
        // Without a Program Files folder every program counts as installed.
        {L"D:\\Tools\\Varnel\\Varnel.exe", L"", L"Varnel", L"Varnel.cfg"},
        {L"D:\\Tools\\Varnel\\Varnel.exe", L"C:\\Program Files", nullptr, L"D:\\Tools\\Varnel\\Varnel.cfg"},
        {L"D:/Tools/Varnel.exe", L"C:\\Program Files", nullptr, L"D:/Tools/Varnel.cfg"},
    };
    for (const Case& c : cases) {
        SystemFolders folders;
        folders.executablePath = c.exe;
        folders.programFilesFolder = c.programFiles;
        folders.appDataFolder = appData_;
        bool beside = !!c.folder;
        const std::wstring path = buildSettingsFilePath(folders, beside);
        if (c.folder) {
            const std::wstring folder = appData_ + L"\\" + c.folder;
            EXPECT_EQ(path, folder + L"\\" + c.expected) << c.exe;
            EXPECT_FALSE(beside) << c.exe;
            EXPECT_TRUE(isFolder(folder)) << c.exe;
            // A second start finds the folder in place and gives the same path.
            EXPECT_EQ(buildSettingsFilePath(folders, beside), path);
        } else {
            EXPECT_EQ(path, c.expected) << c.exe;
            EXPECT_TRUE(beside) << c.exe;
            EXPECT_FALSE(isFolder(appData_ + L"\\Varnel")) << c.exe;
        }
        RemoveDirectoryW((appData_ + L"\\" + (c.folder ? c.folder : L"Varnel")).c_str());
    }
}

TEST_F(SettingsPathTest, MissingFoldersLeaveADefinedPath) {
    SystemFolders folders;
    folders.executablePath = L"C:\\Program Files\\Varnel\\Varnel.exe";
    folders.programFilesFolder = L"C:\\Program Files";

    // A settings folder that cannot be made leaves the path in place; loading and saving fail.
    folders.appDataFolder = root_ + L"\\missing\\deeper";
    bool beside = true;
    EXPECT_EQ(buildSettingsFilePath(folders, beside), root_ + L"\\missing\\deeper\\Varnel\\Varnel.cfg");
    EXPECT_FALSE(beside);
    EXPECT_FALSE(isFolder(root_ + L"\\missing"));

    // Without an application-data folder the path would depend on the current folder: the
    // settings stay beside the program instead.
    folders.appDataFolder.clear();
    beside = false;
    EXPECT_EQ(buildSettingsFilePath(folders, beside), L"C:\\Program Files\\Varnel\\Varnel.cfg");
    EXPECT_TRUE(beside);
    folders.programFilesFolder.clear();
    EXPECT_EQ(buildSettingsFilePath(folders, beside), L"C:\\Program Files\\Varnel\\Varnel.cfg");
    EXPECT_TRUE(beside);
}

TEST_F(SettingsPathTest, ApplicationTakesItsPathsFromTheFolders) {
    SystemFolders folders;
    folders.executablePath = L"C:\\Program Files\\Varnel\\Varnel.exe";
    folders.programFilesFolder = L"C:\\Program Files";
    folders.appDataFolder = appData_;
    folders.documentsFolder = L"C:\\Users\\u\\Documents";
    const Application installed(folders);
    EXPECT_EQ(installed.executablePath(), folders.executablePath);
    EXPECT_EQ(installed.programFolder(), L"C:\\Program Files\\Varnel");
    EXPECT_EQ(installed.settingsFilePath(), appData_ + L"\\Varnel\\Varnel.cfg");
    EXPECT_FALSE(installed.settingsBesideProgram());
    EXPECT_EQ(installed.documentsFolder(), folders.documentsFolder);
    EXPECT_EQ(installed.instanceHandle(), GetModuleHandleW(nullptr));
    EXPECT_TRUE(installed.windows().isEmpty());
    EXPECT_TRUE(installed.shortcuts().isEmpty());

    folders.executablePath = L"E:\\portable\\Varnel.exe";
    const Application portable(folders);
    EXPECT_EQ(portable.programFolder(), L"E:\\portable");
    EXPECT_EQ(portable.settingsFilePath(), L"E:\\portable\\Varnel.cfg");
    EXPECT_TRUE(portable.settingsBesideProgram());
}

TEST(ApplicationTest, TheProcessObjectDescribesTheRunningProgram) {
    Application& application = Application::instance();
    EXPECT_EQ(&application, &Application::instance());

    const std::wstring exe = application.executablePath();
    EXPECT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES) << exe;
    const std::wstring name = exe.substr(exe.find_last_of(L"\\/") + 1);
    EXPECT_EQ(CompareStringOrdinal(name.c_str(), -1, L"core_tests.exe", -1, TRUE), CSTR_EQUAL);
    EXPECT_EQ(application.programFolder(), exe.substr(0, exe.size() - name.size() - 1));
    // The test program does not lie under the Program Files folder.
    EXPECT_EQ(application.settingsFilePath(), application.programFolder() + L"\\core_tests.cfg");
    EXPECT_TRUE(application.settingsBesideProgram());
    EXPECT_EQ(application.documentsFolder(), getDocumentsFolder());
    EXPECT_FALSE(application.documentsFolder().empty());

    HINSTANCE previous = application.instanceHandle();
    application.setInstanceHandle(reinterpret_cast<HINSTANCE>(0x400000));
    EXPECT_EQ(application.instanceHandle(), reinterpret_cast<HINSTANCE>(0x400000));
    application.setInstanceHandle(previous);
}

TEST(ApplicationTest, SpecialFoldersTheSystemCannotGiveAreEmpty) {
    EXPECT_EQ(getSpecialFolder(0x7FFF), L"");
    EXPECT_FALSE(getSpecialFolder(CSIDL_APPDATA).empty());
    EXPECT_EQ(getModulePath(), Application::instance().executablePath());
}

TEST(ApplicationTest, WindowRegistryMapsWindowsToTheirControls) {
    char a = 0, b = 0;
    auto* controlA = reinterpret_cast<winui::Control*>(&a);
    auto* controlB = reinterpret_cast<winui::Control*>(&b);
    const HWND one = reinterpret_cast<HWND>(0x1010);
    const HWND two = reinterpret_cast<HWND>(0x2020);

    WindowRegistry registry;
    EXPECT_TRUE(registry.add(one, controlA));
    EXPECT_TRUE(registry.add(two, controlB));
    EXPECT_FALSE(registry.add(nullptr, controlA));
    EXPECT_EQ(registry.find(one), controlA);
    EXPECT_EQ(registry.find(two), controlB);
    EXPECT_EQ(registry.find(reinterpret_cast<HWND>(0x3030)), nullptr);

    // A window created again under a recycled handle belongs to its new Control.
    EXPECT_TRUE(registry.add(one, controlB));
    EXPECT_EQ(registry.find(one), controlB);
    registry.remove(one);
    registry.remove(one);
    EXPECT_EQ(registry.find(one), nullptr);
    EXPECT_EQ(registry.size(), 1u);
}

TEST(GlobalConstantsTest, SystemColoursFollowTheStyleTableOrder) {
    const int sources[kSystemColorCount] = {
        COLOR_WINDOW,  COLOR_WINDOWTEXT,    COLOR_HIGHLIGHT,           COLOR_HIGHLIGHTTEXT,
        COLOR_GRAYTEXT, COLOR_BTNFACE,      COLOR_BTNHIGHLIGHT,        COLOR_BTNSHADOW,
        COLOR_BTNTEXT, COLOR_ACTIVECAPTION, COLOR_INACTIVECAPTIONTEXT, COLOR_BTNFACE,
        COLOR_BTNTEXT,
    };
    for (int i = 0; i < kSystemColorCount; ++i)
        EXPECT_EQ(systemColor(i), GetSysColor(sources[i])) << "index " << i;
    EXPECT_EQ(systemColor(-1), 0u);
    EXPECT_EQ(systemColor(kSystemColorCount), 0u);
}
