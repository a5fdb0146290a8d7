// The save-file dialogs of the movie and screenshot commands, behind one
// interface so that tests can answer them with a path.
#pragma once

#include <optional>
#include <string>

class QWidget;

enum class SaveKind { Movie, Screenshot };

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // Asks for a file to save. strFilter is the program's filter text
    // ("AVI Files (*.avi)|*.avi||"), strDefExt the extension added when the
    // user types none. Asks before replacing an existing file. Nothing when
    // the user cancels.
    virtual std::optional<std::string> GetSaveFileName(SaveKind eKind, const std::string& strFilter,
                                                       const std::string& strDefExt) = 0;
};

// The desktop's dialogs. They first open in the user's videos (movies) or
// pictures (screenshots) folder, later in the folder of the last file saved.
class CQtFileDialogs : public IFileDialogs {
public:
    explicit CQtFileDialogs(QWidget* pParent = nullptr) : m_pParent(pParent) {}
    void SetParent(QWidget* pParent) { m_pParent = pParent; }

    std::optional<std::string> GetSaveFileName(SaveKind eKind, const std::string& strFilter,
                                               const std::string& strDefExt) override;

private:
    QWidget* m_pParent;
    std::string m_strLastFolder[2];
};

// "AVI Files (*.avi)|*.avi||" as a Qt filter: "AVI Files (*.avi)".
std::string QtFilterFromPipes(const std::string& strFilter);
// The path with ".ext" added when its file name has no extension.
std::string WithDefaultExtension(const std::string& strPath, const std::string& strDefExt);
