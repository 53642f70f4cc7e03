// The shell's association-changed notification projects HKEY_CLASSES_ROOT
// onto a private freedesktop tree, checked with the desktop's own tools.
#include "ExpectLog.h"
#include "FileBytes.h"
#include "RegistryCalls.h"
#include "RunProgram.h"
#include "TestRegistry.h"

#include "platform/DesktopProjection.h"

#include <QCoreApplication>
#include <QImage>

#include <sys/stat.h>

#include <filesystem>

namespace {

using namespace velvaro::test;
namespace fs = std::filesystem;
using velvaro::platform::NotifyShellAssociationsChanged;
using velvaro::platform::RemoveDesktopProjection;

ino_t Inode(const fs::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

QImage Square(int size, QRgb colour) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

class DesktopProjection : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        environment_.Set("XDG_DATA_HOME", folder() / "data");
        environment_.Set("XDG_CONFIG_HOME", folder() / "config");
        velvaro::platform::SetDesktopIdentity({});
    }
    void TearDown() override {
        velvaro::platform::SetDesktopIdentity({});
        RegistryTest::TearDown();
    }

    fs::path Applications() const { return folder().path() / "data/applications"; }
    fs::path Entry() const { return Applications() / "velvaro.desktop"; }
    fs::path MimeApps() const { return folder().path() / "config/mimeapps.list"; }
    fs::path Icon(int size) const {
        const std::string n = std::to_string(size);
        return folder().path() / "data/icons/hicolor" / (n + "x" + n) / "apps/velvaro.png";
    }

    static void SetClass(const std::string& extension, const std::string& shellClass) {
        const HKEY key = Create(HKEY_CLASSES_ROOT, "." + extension);
        EXPECT_EQ(Set(key, "", REG_SZ, Sz(shellClass)), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // Another player the desktop knows, which can be a default too.
    void InstallOtherPlayer() const {
        WriteBytes(Applications() / "other.desktop",
                   "[Desktop Entry]\nType=Application\nName=Other\nExec=true %F\n"
                   "MimeType=video/x-matroska;audio/mpeg;\n");
    }

    // What the desktop answers as the type's default application.
    std::string QueryDefault(const std::string& mimeType) const {
        Child query({{"XDG_DATA_HOME", folder() / "data"},
                     {"XDG_CONFIG_HOME", folder() / "config"},
                     {"XDG_CONFIG_DIRS", folder() / "no-system-config"},
                     {"XDG_DATA_DIRS", folder() / "data" + ":/usr/share"},
                     {"XDG_CURRENT_DESKTOP", "X-Velvaro-Test"},
                     {"DESKTOP_SESSION", ""},
                     {"KDE_FULL_SESSION", ""},
                     {"GNOME_DESKTOP_SESSION_ID", ""}});
        EXPECT_TRUE(query.Start("xdg-mime", {"query", "default", mimeType}));
        EXPECT_TRUE(query.WaitForExit());
        return query.readAllStandardOutput().trimmed().toStdString();
    }

private:
    ScopedEnvironment environment_;
};

std::string Validate(const fs::path& entry) {
    Child validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    EXPECT_TRUE(validate.Start("desktop-file-validate", {entry.string()}));
    EXPECT_TRUE(validate.WaitForExit());
    EXPECT_EQ(validate.exitCode(), 0);
    return validate.readAll().toStdString();
}

std::string Line(const std::string& text, const std::string& key) {
    const size_t start = text.find("\n" + key + "=");
    return start == std::string::npos
               ? std::string()
               : text.substr(start + 1, text.find('\n', start + 1) - start - 1);
}

TEST_F(DesktopProjection, EntryValidatesAndNamesTheTypesOfKnownAndOwnedExtensionsOnce) {
    SetClass("avi", "VelvaroFile");  // owned, though not in the known list
    SetClass("ogg", "oggfile");      // neither
    NotifyShellAssociationsChanged({"mkv", "mp3", "mpa", "MKV"});

    const std::string entry = ReadBytes(Entry());
    EXPECT_EQ(Validate(Entry()), "");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    for (const char* line :
         {"Type=Application", "Name=Velvaro", "GenericName=Media Player", "Icon=velvaro",
          "Terminal=false", "Categories=AudioVideo;Player;Video;Audio;"}) {
        EXPECT_NE(entry.find(std::string("\n") + line + "\n"), std::string::npos) << line;
    }
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    EXPECT_EQ(Line(entry, "Exec"), "Exec=" + program + " %F");
    EXPECT_EQ(Line(entry, "TryExec"), "TryExec=" + program);
    // mp3 and mpa are both audio/mpeg; MKV and mkv one type.
    EXPECT_EQ(Line(entry, "MimeType"), "MimeType=audio/mpeg;video/x-matroska;video/x-msvideo;");
}

TEST_F(DesktopProjection, OurPlaylistsGetATypeOfTheirOwnAndLoseItWithTheRest) {
    SetClass("vpp", "velvarofile");
    NotifyShellAssociationsChanged({"vpp"});
    EXPECT_EQ(Line(ReadBytes(Entry()), "MimeType"), "MimeType=application/x-velvaro-playlist;");
    EXPECT_EQ(QueryDefault("application/x-velvaro-playlist"), "velvaro.desktop");
    const fs::path package = folder().path() / "data/mime/packages/velvaro.xml";
    EXPECT_NE(ReadBytes(package).find("<glob pattern=\"*.vpp\"/>"), std::string::npos);
    // The desktop's MIME cache knows the type from then on.
    const std::string globs = ReadBytes(folder().path() / "data/mime/globs2");
    EXPECT_NE(globs.find("application/x-velvaro-playlist:*.vpp"), std::string::npos) << globs;

    RemoveDesktopProjection();
    EXPECT_FALSE(fs::exists(package));
    EXPECT_EQ(ReadBytes(folder().path() / "data/mime/globs2").find("velvaro"), std::string::npos);
}

TEST_F(DesktopProjection, TheTypesOfEveryDefaultExtensionValidate) {
    const std::vector<std::string> defaults = {
        "vpp", "ogm", "mpeg", "mpg", "mpe",  "wm",   "avi", "divx", "mkv", "wmv", "wmd",
        "m1v", "m2v", "vob",  "dat", "wav",  "ac3",  "mka", "mp1",  "mp2", "mp3", "mpa",
        "wma", "snd", "au",   "aif", "aifc", "aiff", "mid", "rmi",  "midi"};
    for (const std::string& extension : defaults) {
        SetClass(extension, "velvarofile");
    }
    NotifyShellAssociationsChanged(defaults);
    EXPECT_EQ(Validate(Entry()), "");
    const std::string types = Line(ReadBytes(Entry()), "MimeType");
    for (const char* type : {"video/x-msvideo;", "audio/x-wav;", "audio/midi;", "video/mpeg;"}) {
        EXPECT_NE(types.find(type), std::string::npos) << type << " in " << types;
    }
    EXPECT_EQ(QueryDefault("audio/x-wav"), "velvaro.desktop");
    EXPECT_EQ(QueryDefault("video/x-msvideo"), "velvaro.desktop");
}

TEST_F(DesktopProjection, ExecQuotesAProgramPathWithReservedCharactersAndStillValidates) {
    const struct {
        std::string path, exec;
    } cases[] = {
        {"/opt/my player/velvaro", R"(Exec="/opt/my player/velvaro" %F)"},
        {"/opt/100%/velvaro", "Exec=/opt/100%%/velvaro %F"},
        {R"(/opt/a"b$c\d/velvaro)", R"(Exec="/opt/a\\"b\\$c\\\\d/velvaro" %F)"},
    };
    for (const auto& c : cases) {
        velvaro::platform::SetDesktopIdentity({QString::fromStdString(c.path), {}});
        NotifyShellAssociationsChanged({"mkv"});
        const std::string entry = ReadBytes(Entry());
        EXPECT_EQ(Line(entry, "Exec"), c.exec);
        EXPECT_EQ(Validate(Entry()), "") << c.path;
    }
}

TEST_F(DesktopProjection, FilesAreRewrittenOnlyWhenTheirContentChanges) {
    velvaro::platform::SetDesktopIdentity(
        {QStringLiteral("/usr/bin/velvaro"), {Square(16, 0xff102030)}});
    SetClass("mkv", "velvarofile");
    NotifyShellAssociationsChanged({"mkv"});
    const ino_t entry = Inode(Entry()), icon = Inode(Icon(16)), list = Inode(MimeApps());
    ASSERT_NE(entry, 0u);
    ASSERT_NE(icon, 0u);
    ASSERT_NE(list, 0u);

    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(Inode(Entry()), entry);
    EXPECT_EQ(Inode(Icon(16)), icon);
    EXPECT_EQ(Inode(MimeApps()), list);

    velvaro::platform::SetDesktopIdentity(
        {QStringLiteral("/usr/bin/velvaro"), {Square(16, 0xff405060)}});
    NotifyShellAssociationsChanged({"mkv", "mp3"});
    EXPECT_NE(Inode(Entry()), entry);
    EXPECT_NE(Inode(Icon(16)), icon);
    EXPECT_EQ(QImage(QString::fromStdString(Icon(16).string())).pixel(3, 3), 0xff405060u);
}

TEST_F(DesktopProjection, EachSquareIconIsWrittenAtItsOwnSizeAndOthersAreSkipped) {
    QImage wide(32, 16, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    velvaro::platform::SetDesktopIdentity(
        {{}, {Square(16, 0xff0000ff), Square(48, 0x8000ff00), wide, QImage()}});
    NotifyShellAssociationsChanged({});
    const QImage small(QString::fromStdString(Icon(16).string()));
    const QImage large(QString::fromStdString(Icon(48).string()));
    EXPECT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(small.pixel(0, 0), 0xff0000ffu);
    EXPECT_EQ(large.size(), QSize(48, 48));
    EXPECT_EQ(large.pixel(47, 47), 0x8000ff00u);
    EXPECT_FALSE(fs::exists(folder().path() / "data/icons/hicolor/32x32"));
    EXPECT_FALSE(fs::exists(folder().path() / "data/icons/hicolor/32x16"));
    EXPECT_FALSE(fs::exists(Icon(0)));
    EXPECT_EQ(Validate(Entry()), "");
}

TEST_F(DesktopProjection, ARelativeXdgFolderIsIgnoredForTheHomeDefault) {
    const ScopedEnvironment relative({{"XDG_DATA_HOME", "relative/data"},
                                      {"XDG_CONFIG_HOME", "relative/config"},
                                      {"HOME", folder().path().string()}});
    SetClass("mkv", "velvarofile");
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_TRUE(fs::is_regular_file(folder().path() / ".local/share/applications/velvaro.desktop"));
    EXPECT_EQ(ReadBytes(folder().path() / ".config/mimeapps.list"),
              "[Default Applications]\nvideo/x-matroska=velvaro.desktop;\n\n"
              "[Added Associations]\nvideo/x-matroska=velvaro.desktop;\n");
    EXPECT_FALSE(fs::exists(Entry()));
}

TEST_F(DesktopProjection, OwningMakesTheDesktopAnswerVelvaroAndReleasingGivesTheEarlierDefault) {
    InstallOtherPlayer();
    WriteBytes(MimeApps(), "[Default Applications]\nvideo/x-matroska=other.desktop;\n");
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(QueryDefault("video/x-matroska"), "other.desktop");

    SetClass("mkv", "velvarofile");
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(QueryDefault("video/x-matroska"), "velvaro.desktop");
    EXPECT_EQ(ReadBytes(MimeApps()),
              "[Default Applications]\nvideo/x-matroska=velvaro.desktop;other.desktop;\n\n"
              "[Added Associations]\nvideo/x-matroska=velvaro.desktop;\n");

    SetClass("mkv", "mkvfile");
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(QueryDefault("video/x-matroska"), "other.desktop");
    EXPECT_EQ(ReadBytes(MimeApps()),
              "[Default Applications]\nvideo/x-matroska=other.desktop;\n\n[Added Associations]\n");
    // Still offered for the type, only no longer its default.
    EXPECT_NE(Line(ReadBytes(Entry()), "MimeType").find("video/x-matroska"), std::string::npos);
}

TEST_F(DesktopProjection, OtherApplicationsCommentsAndSectionsSurviveByteForByte) {
    InstallOtherPlayer();
    const std::string head =
        "# chosen by hand\n"
        "[Added Associations]\n"
        "image/png=viewer.desktop;\n"
        "audio/mpeg=other.desktop;\n"
        "\n"
        "[Default Applications]\n"
        "text/plain=editor.desktop;\n";
    const std::string tail =
        "\n"
        "# keep this\n"
        "[Removed Associations]\n"
        "video/x-matroska=velvaro.desktop;broken.desktop;\n"
        "\n"
        "[X-Other Section]\n"
        "video/x-matroska=velvaro.desktop;\n";
    WriteBytes(MimeApps(), head + "audio/mpeg=other.desktop;\n" + tail);

    SetClass("mkv", "velvarofile");
    SetClass("mp3", "VELVAROFILE");
    NotifyShellAssociationsChanged({"mkv", "mp3"});
    EXPECT_EQ(ReadBytes(MimeApps()),
              "# chosen by hand\n"
              "[Added Associations]\n"
              "image/png=viewer.desktop;\n"
              "audio/mpeg=velvaro.desktop;other.desktop;\n"
              "video/x-matroska=velvaro.desktop;\n"
              "\n"
              "[Default Applications]\n"
              "text/plain=editor.desktop;\n"
              "audio/mpeg=velvaro.desktop;other.desktop;\n"
              "video/x-matroska=velvaro.desktop;\n"
              "\n"
              "# keep this\n"
              "[Removed Associations]\n"
              "video/x-matroska=broken.desktop;\n"
              "\n"
              "[X-Other Section]\n"
              "video/x-matroska=velvaro.desktop;\n");
    EXPECT_EQ(QueryDefault("audio/mpeg"), "velvaro.desktop");

    SetClass("mkv", "mkvfile");
    SetClass("mp3", "mp3file");
    NotifyShellAssociationsChanged({"mkv", "mp3"});
    EXPECT_EQ(ReadBytes(MimeApps()),
              "# chosen by hand\n"
              "[Added Associations]\n"
              "image/png=viewer.desktop;\n"
              "audio/mpeg=other.desktop;\n"
              "\n"
              "[Default Applications]\n"
              "text/plain=editor.desktop;\n"
              "audio/mpeg=other.desktop;\n"
              "\n"
              "# keep this\n"
              "[Removed Associations]\n"
              "video/x-matroska=broken.desktop;\n"
              "\n"
              "[X-Other Section]\n"
              "video/x-matroska=velvaro.desktop;\n");
    EXPECT_EQ(QueryDefault("audio/mpeg"), "other.desktop");
}

TEST_F(DesktopProjection, AMissingFileIsCreatedOnlyWhenThereIsSomethingToSay) {
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_FALSE(fs::exists(MimeApps()));
    SetClass("mkv", "velvarofile");
    SetClass("mpg", "velvarofile");
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(ReadBytes(MimeApps()),
              "[Default Applications]\nvideo/mpeg=velvaro.desktop;\n"
              "video/x-matroska=velvaro.desktop;\n\n"
              "[Added Associations]\nvideo/mpeg=velvaro.desktop;\n"
              "video/x-matroska=velvaro.desktop;\n");
}

TEST_F(DesktopProjection, DamagedListsDoNotCrashAndKeepTheirUnrelatedBytes) {
    std::string junk(512, '\0');
    for (size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 37 + 11) % 256);
    }
    const struct {
        std::string name, before, after;
    } cases[] = {
        {"no trailing newline", "[Default Applications]\ntext/plain=editor.desktop;",
         "[Default Applications]\ntext/plain=editor.desktop;\n"
         "video/x-matroska=velvaro.desktop;\n\n"
         "[Added Associations]\nvideo/x-matroska=velvaro.desktop;\n"},
        {"CR LF lines",
         "[Default "
         "Applications]\r\nvideo/x-matroska=other.desktop;\r\naudio/mpeg=velvaro.desktop\r\n",
         "[Default Applications]\r\nvideo/x-matroska=velvaro.desktop;other.desktop;\r\n\r\n"
         "[Added Associations]\r\nvideo/x-matroska=velvaro.desktop;\r\n"},
        {"duplicate sections",
         "[Default Applications]\nvideo/x-matroska=a.desktop;\n[Default Applications]\n"
         "video/x-matroska=b.desktop;velvaro.desktop;\n[Default Applications]\n",
         "[Default Applications]\nvideo/x-matroska=velvaro.desktop;a.desktop;\n"
         "[Default Applications]\nvideo/x-matroska=velvaro.desktop;b.desktop;\n"
         "[Default Applications]\n\n"
         "[Added Associations]\nvideo/x-matroska=velvaro.desktop;\n"},
        {"odd lines", "=velvaro.desktop\n[\n]\n[]\nno equals\n  [Default Applications]  \n=\n",
         "=velvaro.desktop\n[\n]\n[]\nno equals\n  [Default Applications]  \n=\n"
         "video/x-matroska=velvaro.desktop;\n\n"
         "[Added Associations]\nvideo/x-matroska=velvaro.desktop;\n"},
        {"binary junk", junk,
         junk + "\n\n[Default Applications]\nvideo/x-matroska=velvaro.desktop;\n\n"
                "[Added Associations]\nvideo/x-matroska=velvaro.desktop;\n"},
    };
    SetClass("mkv", "velvarofile");
    for (const auto& c : cases) {
        WriteBytes(MimeApps(), c.before);
        NotifyShellAssociationsChanged({"mkv"});
        EXPECT_EQ(ReadBytes(MimeApps()), c.after) << c.name;
        RemoveDesktopProjection();
    }
}

TEST_F(DesktopProjection, FoldersThatCannotBeWrittenAreOnlyWarnedAbout) {
    SetClass("mkv", "velvarofile");
    fs::create_directories(Entry());
    fs::create_directories(MimeApps());
    velvaro::platform::SetDesktopIdentity({{}, {Square(16, 0xff000000)}});
    WriteBytes(folder().path() / "data/icons/hicolor/16x16", "a file where a folder belongs");
    const ExpectLog warnings(QtWarningMsg, QStringLiteral("cannot write"),
                             QStringLiteral("velvaro.desktop"));
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(warnings.Count(), 3);
    EXPECT_TRUE(fs::is_directory(Entry()));
    EXPECT_TRUE(fs::is_directory(MimeApps()));
    RemoveDesktopProjection();
    EXPECT_TRUE(fs::is_directory(MimeApps()));
}

TEST_F(DesktopProjection, AnUnreadableRegistryTakesNoDefaultAway) {
    const std::string list = "[Default Applications]\nvideo/x-matroska=velvaro.desktop;\n";
    WriteBytes(MimeApps(), list);
    fs::create_directories(folder().path() / "not-a-database");
    const ScopedEnvironment broken({{"VELVARO_REGISTRY", folder() / "not-a-database"}});
    velvaro::platform::CloseRegistry();
    NotifyShellAssociationsChanged({"mkv"});  // silently, as registry failures are
    EXPECT_EQ(ReadBytes(MimeApps()), list);
    EXPECT_EQ(Line(ReadBytes(Entry()), "MimeType"), "MimeType=video/x-matroska;");
    velvaro::platform::CloseRegistry();
}

TEST_F(DesktopProjection, RemovingTakesTheEntryIconsAndEveryMentionAway) {
    InstallOtherPlayer();
    velvaro::platform::SetDesktopIdentity({{}, {Square(16, 0xff000000), Square(32, 0xffffffff)}});
    WriteBytes(folder().path() / "data/icons/hicolor/32x32/apps/other.png", "other");
    WriteBytes(MimeApps(),
               "[Default Applications]\nvideo/x-matroska=other.desktop;\n"
               "[Removed Associations]\r\naudio/mpeg=velvaro.desktop;other.desktop;\r\n"
               "audio/x-wav=velvaro.desktop;\n"
               "# velvaro.desktop=velvaro.desktop\n");
    SetClass("mkv", "velvarofile");
    NotifyShellAssociationsChanged({"mkv"});
    ASSERT_TRUE(fs::exists(Entry()));
    ASSERT_TRUE(fs::exists(Icon(16)));
    ASSERT_TRUE(fs::exists(Icon(32)));
    ASSERT_EQ(QueryDefault("video/x-matroska"), "velvaro.desktop");

    RemoveDesktopProjection();
    EXPECT_FALSE(fs::exists(Entry()));
    EXPECT_FALSE(fs::exists(Icon(16)));
    EXPECT_FALSE(fs::exists(Icon(32)));
    EXPECT_TRUE(fs::exists(Applications() / "other.desktop"));
    EXPECT_EQ(ReadBytes(folder().path() / "data/icons/hicolor/32x32/apps/other.png"), "other");
    EXPECT_EQ(ReadBytes(MimeApps()),
              "[Default Applications]\nvideo/x-matroska=other.desktop;\n"
              "[Removed Associations]\r\naudio/mpeg=other.desktop;\r\n"
              "# velvaro.desktop=velvaro.desktop\n"
              "\n"
              "[Added Associations]\n");
    EXPECT_EQ(QueryDefault("video/x-matroska"), "other.desktop");
    // The desktop's cache no longer offers it either.
    const std::string cache = ReadBytes(Applications() / "mimeinfo.cache");
    EXPECT_NE(cache.find("other.desktop"), std::string::npos) << cache;
    EXPECT_EQ(cache.find("velvaro.desktop"), std::string::npos) << cache;
}

}  // namespace
