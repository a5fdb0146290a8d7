// The save-file dialogs of the movie and screenshot commands, behind one
// interface so that tests can answer them with a path.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;
class CSettings;

enum class SaveKind { Movie, Screenshot };

struct SaveFileRequest {
    SaveKind eKind = SaveKind::Movie;
    // The program's filter text, pairs of description and pattern ended by
    // an empty pair: "MP4 video (*.mp4)|*.mp4|AVI Files (*.avi)|*.avi||".
    // The first is chosen when the dialog opens.
    std::string strFilter;
    std::string strFolder; // where the dialog opens
    std::string strName;   // the suggested file name, without extension
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // Asks for a file to save. The chosen filter's extension is added when
    // the user types none, or one no filter has. Asks before replacing an existing file. Nothing
    // when the user cancels.
    virtual std::optional<std::string> GetSaveFileName(const SaveFileRequest& request) = 0;
};

// The desktop's dialog.
class CQtFileDialogs : public IFileDialogs {
public:
    explicit CQtFileDialogs(QWidget* pParent = nullptr) : m_pParent(pParent) {}
    void SetParent(QWidget* pParent) { m_pParent = pParent; }

    std::optional<std::string> GetSaveFileName(const SaveFileRequest& request) override;

private:
    QWidget* m_pParent;
};

// Asks for a movie or screenshot file: the dialog opens in the folder of the
// last one saved (remembered in the settings; at first the user's videos or
// pictures folder) and suggests "Lumetto YYYY-MM-DD HH.MM.SS". Remembers the
// folder of the file chosen.
std::optional<std::string> AskSaveFile(IFileDialogs& dialogs, CSettings& settings, SaveKind eKind,
                                       const std::string& strFilter);

// "AVI Files (*.avi)|*.avi||" as a Qt filter: "AVI Files (*.avi)".
std::string QtFilterFromPipes(const std::string& strFilter);
// The filter's entries: description and extension ("mp4" of "*.mp4").
std::vector<std::pair<std::string, std::string>> FilterEntries(const std::string& strFilter);
// The path with ".ext" added unless its file name ends in one of the known
// extensions (any case): a name without one, or with one no type of the
// dialog has ("talk.webm"), gets the chosen type's.
std::string WithDefaultExtension(const std::string& strPath, const std::string& strDefExt,
                                 const std::vector<std::string>& known);
