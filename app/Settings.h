// The user's choices that outlive a run: last port, the skin of each
// platform, zoom, presentation scaling, stay on top, MP4 movies with the
// skin, the window's position and the folders of the last movie and
// screenshot. They live in "lumetto/lumetto.conf" under the user's
// configuration folder (QSettings, INI format).
//
// A missing, unreadable or garbled file reads as the defaults: every getter
// checks the type and range of what it finds and falls back to the default,
// so a bad file never stops the start. A file larger than 1 MiB is not read
// (nor replaced, so the user can look at it): this run keeps its choices to
// itself and says so on standard error. A file that is a symbolic link is
// written through the link. When a change cannot be saved, standard error
// and the unsaved handler are told once. Texts (paths)
// come back byte for byte, UTF-8 or not. Command-line options win over these
// values; the caller decides that. UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QSettings;
class QString;
class QTemporaryDir;

class CSettings {
public:
    // The user's file, or strFile (tests).
    explicit CSettings(const std::string& strFile = {});
    ~CSettings();
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    std::string LastPort() const;
    void SetLastPort(const std::string& strPort);
    // The skin last chosen for a platform code, as the caller names it (the
    // program keeps the skin bitmap's path); empty when none was chosen.
    std::string Skin(int nPlatform) const;
    void SetSkin(int nPlatform, const std::string& strFileName);
    static constexpr int kMaxZoom = 4;
    int Zoom() const; // 1 to kMaxZoom
    void SetZoom(int nZoom);
    // View > Show recording indicator (on unless turned off).
    bool RecordingIndicator() const;
    void SetRecordingIndicator(bool bOn);
    bool FillScreen() const;
    void SetFillScreen(bool bOn);
    bool StayOnTop() const;
    void SetStayOnTop(bool bOn);
    bool MoviesWithSkin() const;
    void SetMoviesWithSkin(bool bOn);
    // The main window's top-left corner, its frame included, when one was saved.
    std::optional<std::pair<int, int>> WindowPosition() const;
    void SetWindowPosition(int x, int y);
    // How far the window's client lay from that corner (the frame's left
    // width and the title bar's height with the frame's top), when saved.
    std::optional<std::pair<int, int>> WindowFrame() const;
    void SetWindowFrame(int nLeft, int nTop);
    std::string MovieFolder() const;
    void SetMovieFolder(const std::string& strFolder);
    std::string ScreenshotFolder() const;
    void SetScreenshotFolder(const std::string& strFolder);

    // Writes pending changes to the file now (the texts and flags are
    // written as they change, the rest when this is called or the object
    // ends). False, and told once, when the file cannot be written.
    bool Sync();

    // Largest settings file that is read.
    static constexpr std::int64_t kMaxFileSize = 1 << 20;
    // Called once, with the text standard error got, when a change cannot
    // be saved (a window shows it as a notice).
    void SetUnsavedHandler(std::function<void(const std::string&)> fn) {
        m_fnUnsaved = std::move(fn);
    }

private:
    bool Flag(const char* pszKey, bool bDefault) const;
    std::string Text(const char* pszKey) const;
    void Set(const char* pszKey, const std::string& strValue);
    void Set(const char* pszKey, bool bValue);

    QString ChooseFile(const std::string& strFile);
    void TellUnsaved();

    std::unique_ptr<QTemporaryDir> m_pPrivateFolder; // when the user's file cannot be used
    std::unique_ptr<QSettings> m_pSettings;
    std::function<void(const std::string&)> m_fnUnsaved;
    bool m_bToldUnsaved = false;
};
