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
#include <set>
#include <sstream>

namespace {

using namespace velvaro::platform;
using namespace velvaro::test;
namespace fs = std::filesystem;

ino_t Inode(const fs::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

QImage Square(int size, QRgb colour) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

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

class DesktopProjection : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        environment_.Set("XDG_DATA_HOME", folder() / "data");
        environment_.Set("XDG_CONFIG_HOME", folder() / "config");
        SetDesktopIdentity({});
    }
    void TearDown() override {
        SetDesktopIdentity({});
        RegistryTest::TearDown();
    }

    fs::path Applications() const { return folder().path() / "data/applications"; }
    fs::path Entry() const { return Applications() / "velvaro.desktop"; }
    fs::path MimeApps() const { return folder().path() / "config/mimeapps.list"; }
    fs::path Icon(int size) const {
        const std::string n = std::to_string(size);
        return folder().path() / "data/icons/hicolor" / (n + "x" + n) / "apps/velvaro.png";
    }
    std::string MimeTypes() const { return Line(ReadBytes(Entry()), "MimeType"); }

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

TEST_F(DesktopProjection, EntryNamesKnownAndOwnedTypesOnceAndOnlyOwnedOnesBecomeDefaults) {
    SetClass("avi", "VelvaroFile");  // owned, though not in the known list
    SetClass("ogg", "oggfile");      // neither
    NotifyShellAssociationsChanged({"mkv", "mp3", "mpa", "MKV"});

    const std::string entry = ReadBytes(Entry());
    EXPECT_EQ(Validate(Entry()), "");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    for (const char* line : {"Name=Velvaro", "Icon=velvaro", "Terminal=false",
                             "Categories=AudioVideo;Player;Video;Audio;"}) {
        EXPECT_NE(entry.find(std::string("\n") + line + "\n"), std::string::npos) << line;
    }
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    EXPECT_EQ(Line(entry, "Exec"), "Exec=" + program + " %F");
    EXPECT_EQ(Line(entry, "TryExec"), "TryExec=" + program);
    // mp3 and mpa are both audio/mpeg; MKV and mkv one type.
    EXPECT_EQ(Line(entry, "MimeType"), "MimeType=audio/mpeg;video/x-matroska;video/x-msvideo;");
    EXPECT_EQ(ReadBytes(MimeApps()),
              "[Default Applications]\nvideo/x-msvideo=velvaro.desktop;\n\n"
              "[Added Associations]\nvideo/x-msvideo=velvaro.desktop;\n");
}

// Only media: an extension the MIME database also knows as something else
// (.ts, Qt's translation files) offers Velvaro for that type too otherwise.
TEST_F(DesktopProjection, TheTypesOfEveryDefaultExtensionValidateAndAreMediaOrPlaylists) {
    const std::vector<std::string> defaults = {
        "vpp",  "ogm",  "mpeg", "mpg",  "mpe",  "wm",   "avi",  "divx", "mkv",  "wmv", "wmd",
        "m1v",  "m2v",  "vob",  "dat",  "wav",  "ac3",  "mka",  "mp1",  "mp2",  "mp3", "mpa",
        "wma",  "snd",  "au",   "aif",  "aifc", "aiff", "mid",  "rmi",  "midi", "mp4", "m4v",
        "mov",  "webm", "ts",   "m2ts", "mts",  "3gp",  "flv",  "ogv",  "flac", "ogg", "oga",
        "opus", "m4a",  "aac",  "wv",   "ape",  "m3u",  "m3u8", "pls"};
    for (const std::string& extension : defaults) {
        SetClass(extension, "velvarofile");
    }
    NotifyShellAssociationsChanged(defaults);
    EXPECT_EQ(Validate(Entry()), "");
    const std::string types = MimeTypes();
    for (const char* type : {"video/x-msvideo;", "audio/x-wav;", "audio/midi;", "video/mpeg;",
                             "video/mp2t;", "audio/x-mpegurl;", "audio/x-scpls;"}) {
        EXPECT_NE(types.find(type), std::string::npos) << type << " in " << types;
    }
    const std::set<std::string> playlists = {"application/x-velvaro-playlist",
                                             "application/vnd.apple.mpegurl"};
    const auto media = [&](const std::string& type) {
        return type.rfind("audio/", 0) == 0 || type.rfind("video/", 0) == 0 ||
               playlists.count(type) != 0;
    };
    std::string list = types.substr(types.find('=') + 1);
    for (size_t end; (end = list.find(';')) != std::string::npos; list.erase(0, end + 1)) {
        EXPECT_TRUE(media(list.substr(0, end))) << list.substr(0, end) << " in " << types;
    }
    std::istringstream defaultsList(ReadBytes(MimeApps()));
    for (std::string line; std::getline(defaultsList, line);) {
        if (const size_t equals = line.find('='); equals != std::string::npos) {
            EXPECT_TRUE(media(line.substr(0, equals))) << line << " in mimeapps.list";
        }
    }
    EXPECT_EQ(QueryDefault("audio/x-wav"), "velvaro.desktop");
    EXPECT_EQ(QueryDefault("video/mp2t"), "velvaro.desktop");
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
        SetDesktopIdentity({QString::fromStdString(c.path), {}});
        NotifyShellAssociationsChanged({"mkv"});
        EXPECT_EQ(Line(ReadBytes(Entry()), "Exec"), c.exec);
        EXPECT_EQ(Validate(Entry()), "") << c.path;
    }
    // Nothing owned, nothing to say: no list is made.
    EXPECT_FALSE(fs::exists(MimeApps()));
}

TEST_F(DesktopProjection, SquareIconsAreWrittenAtTheirSizesAndFilesOnlyWhenTheirContentChanges) {
    QImage wide(32, 16, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    SetDesktopIdentity({QStringLiteral("/usr/bin/velvaro"),
                        {Square(16, 0xff0000ff), Square(48, 0x8000ff00), wide, QImage()}});
    SetClass("mkv", "velvarofile");
    NotifyShellAssociationsChanged({"mkv"});
    const auto pixel = [this](int size, int at) {
        const QImage icon(QString::fromStdString(Icon(size).string()));
        return icon.size() == QSize(size, size) ? icon.pixel(at, at) : 0;
    };
    EXPECT_EQ(std::pair(pixel(16, 0), pixel(48, 47)), std::pair(0xff0000ffu, 0x8000ff00u));
    std::set<std::string> sizes;
    for (const auto& size : fs::directory_iterator(folder().path() / "data/icons/hicolor")) {
        sizes.insert(size.path().filename().string());
    }
    EXPECT_EQ(sizes, (std::set<std::string>{"16x16", "48x48"}));
    EXPECT_EQ(Validate(Entry()), "");

    const auto inodes = [this] {
        return std::vector{Inode(Entry()), Inode(Icon(16)), Inode(MimeApps())};
    };
    const std::vector<ino_t> first = inodes();
    ASSERT_EQ(std::count(first.begin(), first.end(), ino_t{0}), 0);
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(inodes(), first);

    SetDesktopIdentity({QStringLiteral("/usr/bin/velvaro"), {Square(16, 0xff405060)}});
    NotifyShellAssociationsChanged({"mkv", "mp3"});
    const std::vector<ino_t> second = inodes();
    EXPECT_TRUE(second[0] != first[0] && second[1] != first[1]);
    EXPECT_EQ(pixel(16, 3), 0xff405060u);
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

// Releasing gives the earlier default back, and every byte that is not
// about Velvaro survives both steps.
TEST_F(DesktopProjection, OwningMakesVelvaroTheDefaultAndReleasingGivesTheEarlierOneBack) {
    InstallOtherPlayer();
    const std::string before =
        "# chosen by hand\n[Added Associations]\nimage/png=viewer.desktop;\n"
        "audio/mpeg=other.desktop;\n\n[Default Applications]\ntext/plain=editor.desktop;\n"
        "audio/mpeg=other.desktop;\n\n# keep this\n[Removed Associations]\n"
        "video/x-matroska=velvaro.desktop;broken.desktop;\n\n"
        "[X-Other Section]\nvideo/x-matroska=velvaro.desktop;\n";
    WriteBytes(MimeApps(), before);

    SetClass("mkv", "velvarofile");
    SetClass("mp3", "VELVAROFILE");
    NotifyShellAssociationsChanged({"mkv", "mp3"});
    EXPECT_EQ(ReadBytes(MimeApps()),
              "# chosen by hand\n[Added Associations]\nimage/png=viewer.desktop;\n"
              "audio/mpeg=velvaro.desktop;other.desktop;\nvideo/x-matroska=velvaro.desktop;\n\n"
              "[Default Applications]\ntext/plain=editor.desktop;\n"
              "audio/mpeg=velvaro.desktop;other.desktop;\nvideo/x-matroska=velvaro.desktop;\n\n"
              "# keep this\n[Removed Associations]\nvideo/x-matroska=broken.desktop;\n\n"
              "[X-Other Section]\nvideo/x-matroska=velvaro.desktop;\n");
    EXPECT_EQ(QueryDefault("audio/mpeg"), "velvaro.desktop");
    EXPECT_EQ(QueryDefault("video/x-matroska"), "velvaro.desktop");

    SetClass("mkv", "mkvfile");
    SetClass("mp3", "mp3file");
    NotifyShellAssociationsChanged({"mkv", "mp3"});
    // As before, less the removal that owning took back.
    std::string released = before;
    released.erase(released.find("velvaro.desktop;broken"), std::string("velvaro.desktop;").size());
    EXPECT_EQ(ReadBytes(MimeApps()), released);
    EXPECT_EQ(QueryDefault("audio/mpeg"), "other.desktop");
    // Still offered for the types, only no longer their default.
    EXPECT_EQ(MimeTypes(), "MimeType=audio/mpeg;video/x-matroska;");
}

TEST_F(DesktopProjection, DamagedListsDoNotCrashAndKeepTheirUnrelatedBytes) {
    std::string junk(512, '\0');
    for (size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 37 + 11) % 256);
    }
    const std::string ours = "video/x-matroska=velvaro.desktop;\n";
    const std::string added = "\n[Added Associations]\n" + ours;
    const struct {
        std::string name, before, after;
    } cases[] = {
        {"no trailing newline", "[Default Applications]\ntext/plain=editor.desktop;",
         "[Default Applications]\ntext/plain=editor.desktop;\n" + ours + added},
        {"CR LF lines",
         "[Default Applications]\r\nvideo/x-matroska=other.desktop;\r\n"
         "audio/mpeg=velvaro.desktop\r\n",
         "[Default Applications]\r\nvideo/x-matroska=velvaro.desktop;other.desktop;\r\n\r\n"
         "[Added Associations]\r\nvideo/x-matroska=velvaro.desktop;\r\n"},
        {"duplicate sections",
         "[Default Applications]\nvideo/x-matroska=a.desktop;\n[Default Applications]\n"
         "video/x-matroska=b.desktop;velvaro.desktop;\n[Default Applications]\n",
         "[Default Applications]\nvideo/x-matroska=velvaro.desktop;a.desktop;\n"
         "[Default Applications]\nvideo/x-matroska=velvaro.desktop;b.desktop;\n"
         "[Default Applications]\n" +
             added},
        {"odd lines", "=velvaro.desktop\n[\n]\n[]\nno equals\n  [Default Applications]  \n=\n",
         "=velvaro.desktop\n[\n]\n[]\nno equals\n  [Default Applications]  \n=\n" + ours + added},
        {"binary junk", junk, junk + "\n\n[Default Applications]\n" + ours + added},
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
    SetDesktopIdentity({{}, {Square(16, 0xff000000)}});
    WriteBytes(folder().path() / "data/icons/hicolor/16x16", "a file where a folder belongs");
    const ExpectLog warnings(QtWarningMsg, QStringLiteral("cannot write"),
                             QStringLiteral("velvaro.desktop"));
    NotifyShellAssociationsChanged({"mkv"});
    EXPECT_EQ(warnings.Count(), 3);
    EXPECT_TRUE(fs::is_directory(Entry()));
    RemoveDesktopProjection();
    EXPECT_TRUE(fs::is_directory(MimeApps()));
}

TEST_F(DesktopProjection, AnUnreadableRegistryTakesNoDefaultAway) {
    const std::string list = "[Default Applications]\nvideo/x-matroska=velvaro.desktop;\n";
    WriteBytes(MimeApps(), list);
    fs::create_directories(folder().path() / "not-a-database");
    const ScopedEnvironment broken({{"VELVARO_REGISTRY", folder() / "not-a-database"}});
    CloseRegistry();
    NotifyShellAssociationsChanged({"mkv"});  // silently, as registry failures are
    EXPECT_EQ(ReadBytes(MimeApps()), list);
    EXPECT_EQ(MimeTypes(), "MimeType=video/x-matroska;");
    CloseRegistry();
}

TEST_F(DesktopProjection, RemovingTakesTheEntryIconsPlaylistTypeAndEveryMentionAway) {
    InstallOtherPlayer();
    SetDesktopIdentity({{}, {Square(16, 0xff000000), Square(32, 0xffffffff)}});
    WriteBytes(folder().path() / "data/icons/hicolor/32x32/apps/other.png", "other");
    WriteBytes(MimeApps(),
               "[Default Applications]\nvideo/x-matroska=other.desktop;\n"
               "[Removed Associations]\r\naudio/mpeg=velvaro.desktop;other.desktop;\r\n"
               "audio/x-wav=velvaro.desktop;\n"
               "# velvaro.desktop=velvaro.desktop\n");
    SetClass("mkv", "velvarofile");
    SetClass("vpp", "velvarofile");
    NotifyShellAssociationsChanged({"mkv", "vpp"});
    // Our playlists get a type of their own, which the desktop's MIME cache knows.
    EXPECT_EQ(MimeTypes(), "MimeType=application/x-velvaro-playlist;video/x-matroska;");
    EXPECT_EQ(QueryDefault("application/x-velvaro-playlist"), "velvaro.desktop");
    const fs::path package = folder().path() / "data/mime/packages/velvaro.xml";
    EXPECT_NE(ReadBytes(package).find("<glob pattern=\"*.vpp\"/>"), std::string::npos);
    const std::string globs = ReadBytes(folder().path() / "data/mime/globs2");
    EXPECT_NE(globs.find("application/x-velvaro-playlist:*.vpp"), std::string::npos) << globs;
    const fs::path ours[] = {Entry(), Icon(16), Icon(32), package};
    for (const fs::path& path : ours) {
        ASSERT_TRUE(fs::exists(path)) << path;
    }
    ASSERT_EQ(QueryDefault("video/x-matroska"), "velvaro.desktop");

    RemoveDesktopProjection();
    for (const fs::path& path : ours) {
        EXPECT_FALSE(fs::exists(path)) << path;
    }
    EXPECT_TRUE(fs::exists(Applications() / "other.desktop"));
    EXPECT_EQ(ReadBytes(folder().path() / "data/icons/hicolor/32x32/apps/other.png"), "other");
    EXPECT_EQ(ReadBytes(MimeApps()),
              "[Default Applications]\nvideo/x-matroska=other.desktop;\n"
              "[Removed Associations]\r\naudio/mpeg=other.desktop;\r\n"
              "# velvaro.desktop=velvaro.desktop\n\n[Added Associations]\n");
    EXPECT_EQ(QueryDefault("video/x-matroska"), "other.desktop");
    EXPECT_EQ(ReadBytes(folder().path() / "data/mime/globs2").find("velvaro"), std::string::npos);
    const std::string cache = ReadBytes(Applications() / "mimeinfo.cache");
    EXPECT_NE(cache.find("other.desktop"), std::string::npos) << cache;
    EXPECT_EQ(cache.find("velvaro.desktop"), std::string::npos) << cache;
}

}  // namespace
