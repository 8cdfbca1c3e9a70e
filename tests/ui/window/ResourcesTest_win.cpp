#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// What Explorer, the taskbar and the loader read from the built varnel.exe.
namespace varnel::ui {
namespace {

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryExW(VARNEL_EXE_PATH_W, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "cannot open varnel.exe, error " << ::GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) ::FreeLibrary(module_);
    }

    std::string_view Resource(const wchar_t* name, const wchar_t* type) const {
        HRSRC found = ::FindResourceW(module_, name, type);
        if (found == nullptr) return {};
        HGLOBAL loaded = ::LoadResource(module_, found);
        return {static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module_, found)};
    }

    HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(ProgramResources, Icon101HasFourTrueColourSizes) {
    const std::string_view group = Resource(MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_GE(group.size(), sizeof(IconGroupHeader));
    IconGroupHeader header;
    std::memcpy(&header, group.data(), sizeof header);
    ASSERT_EQ(header.type, 1);
    ASSERT_EQ(group.size(), sizeof header + header.count * sizeof(IconGroupEntry));
    std::set<int> sizes;
    for (WORD i = 0; i < header.count; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, group.data() + sizeof header + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32);
        sizes.insert(entry.width == 0 ? 256 : entry.width);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 256}));

    // The window loads it at these two sizes.
    for (const int size : {16, 32}) {
        HICON icon = static_cast<HICON>(::LoadImageW(module_, MAKEINTRESOURCEW(101), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) ::DestroyIcon(icon);
    }
}

TEST_F(ProgramResources, ManifestAsksForCommonControls6PerMonitorDpiAndLongPaths) {
    const std::string_view manifest = Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_FALSE(manifest.empty());
    for (const char* expected :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">PerMonitorV2", ">true/pm<",
          "level=\"asInvoker\"", ">true</longPathAware>", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(expected), std::string_view::npos) << expected;
    }
}

TEST_F(ProgramResources, VersionInformationNamesProductAndProjectVersion) {
    const DWORD size = ::GetFileVersionInfoSizeW(VARNEL_EXE_PATH_W, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(VARNEL_EXE_PATH_W, 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    const std::wstring version = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, VARNEL_PROJECT_VERSION_W);

    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!::VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"Varnel");
    EXPECT_EQ(text(L"CompanyName"), L"The Varnel authors");
    EXPECT_EQ(text(L"LegalCopyright"), L"Copyright (c) 2026 The Varnel authors");
    EXPECT_EQ(text(L"FileVersion"), VARNEL_PROJECT_VERSION_W);
    EXPECT_EQ(text(L"ProductVersion"), VARNEL_PROJECT_VERSION_W);
}

}  // namespace
}  // namespace varnel::ui
