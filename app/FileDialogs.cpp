#include "app/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

std::string QtFilterFromPipes(const std::string& strFilter) {
    // Pairs of "description|pattern", ended by an empty pair.
    std::string out;
    std::size_t pos = 0;
    while (pos < strFilter.size()) {
        const std::size_t bar = strFilter.find('|', pos);
        if (bar == std::string::npos || bar == pos)
            break;
        const std::string description = strFilter.substr(pos, bar - pos);
        const std::size_t end = strFilter.find('|', bar + 1);
        pos = end == std::string::npos ? strFilter.size() : end + 1;
        if (!out.empty())
            out += ";;";
        out += description;
    }
    return out;
}

std::string WithDefaultExtension(const std::string& strPath, const std::string& strDefExt) {
    const std::size_t slash = strPath.rfind('/');
    const std::string name = strPath.substr(slash == std::string::npos ? 0 : slash + 1);
    if (strDefExt.empty() || name.empty() || name.find('.') != std::string::npos)
        return strPath;
    return strPath + "." + strDefExt;
}

std::optional<std::string> CQtFileDialogs::GetSaveFileName(SaveKind eKind,
                                                           const std::string& strFilter,
                                                           const std::string& strDefExt) {
    std::string& last = m_strLastFolder[eKind == SaveKind::Movie ? 0 : 1];
    QString folder = QString::fromStdString(last);
    if (folder.isEmpty()) {
        const auto where = eKind == SaveKind::Movie ? QStandardPaths::MoviesLocation
                                                    : QStandardPaths::PicturesLocation;
        folder = QStandardPaths::writableLocation(where);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    }
    QFileDialog dlg(m_pParent, QString(), folder,
                    QString::fromStdString(QtFilterFromPipes(strFilter)));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(QString::fromStdString(strDefExt));
    dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    const std::string path =
        WithDefaultExtension(dlg.selectedFiles().front().toStdString(), strDefExt);
    last = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
    return path;
}
