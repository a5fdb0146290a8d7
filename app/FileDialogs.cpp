#include "app/FileDialogs.h"
#include "platform/LocalTime.h"

#include "app/CaptureNames.h"
#include "app/Settings.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <ctime>

std::vector<std::pair<std::string, std::string>> FilterEntries(const std::string& strFilter) {
    // Pairs of "description|pattern", ended by an empty pair.
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t pos = 0;
    while (pos < strFilter.size()) {
        const std::size_t bar = strFilter.find('|', pos);
        if (bar == std::string::npos || bar == pos)
            break;
        const std::string description = strFilter.substr(pos, bar - pos);
        std::size_t end = strFilter.find('|', bar + 1);
        if (end == std::string::npos)
            end = strFilter.size();
        std::string pattern = strFilter.substr(bar + 1, end - bar - 1);
        const std::size_t dot = pattern.rfind("*.");
        out.emplace_back(description,
                         dot == std::string::npos ? std::string() : pattern.substr(dot + 2));
        pos = end + 1;
    }
    return out;
}

std::string QtFilterFromPipes(const std::string& strFilter) {
    std::string out;
    for (const auto& [description, ext] : FilterEntries(strFilter)) {
        if (!out.empty())
            out += ";;";
        out += description;
    }
    return out;
}

std::string WithDefaultExtension(const std::string& strPath, const std::string& strDefExt,
                                 const std::vector<std::string>& known) {
    const std::string name = FileNameOf(strPath);
    if (strDefExt.empty() || name.empty())
        return strPath;
    // An extension that names one of the dialog's types picks that type; any
    // other is part of the name, and the chosen type's extension follows it.
    for (const std::string& ext : known)
        if (HasExtension(name, ext))
            return strPath;
    return strPath + "." + strDefExt;
}

std::optional<std::string> CQtFileDialogs::GetSaveFileName(const SaveFileRequest& request) {
    const auto entries = FilterEntries(request.strFilter);
    QStringList filters;
    for (const auto& e : entries)
        filters << QString::fromStdString(e.first);
    auto extensionOf = [&](const QString& filter) {
        const int i = static_cast<int>(filters.indexOf(filter));
        return i >= 0 ? QString::fromStdString(entries[static_cast<std::size_t>(i)].second)
                      : QString();
    };
    const QString name = QString::fromStdString(request.strName);
    QFileDialog dlg(m_pParent,
                    request.eKind == SaveKind::Movie ? QStringLiteral("Record movie")
                                                     : QStringLiteral("Capture screen"),
                    QString::fromStdString(request.strFolder));
    dlg.setNameFilters(filters);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
    auto withExtension = [&](const QString& filter) {
        const QString ext = extensionOf(filter);
        return ext.isEmpty() ? name : name + QLatin1Char('.') + ext;
    };
    if (!filters.isEmpty()) {
        dlg.selectNameFilter(filters.front());
        dlg.setDefaultSuffix(extensionOf(filters.front()));
        if (!name.isEmpty())
            dlg.selectFile(withExtension(filters.front()));
    }
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& filter) {
        dlg.setDefaultSuffix(extensionOf(filter));
        // The suggested name follows the chosen type until the user changes it.
        const QStringList chosen = dlg.selectedFiles();
        if (!name.isEmpty() && !chosen.isEmpty() &&
            QFileInfo(chosen.front()).completeBaseName() == name)
            dlg.selectFile(withExtension(filter));
    });
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    std::vector<std::string> known;
    for (const auto& e : entries)
        known.push_back(e.second);
    return WithDefaultExtension(dlg.selectedFiles().front().toStdString(),
                                extensionOf(dlg.selectedNameFilter()).toStdString(), known);
}

std::optional<std::string> AskSaveFile(IFileDialogs& dialogs, CSettings& settings, SaveKind eKind,
                                       const std::string& strFilter) {
    const bool movie = eKind == SaveKind::Movie;
    SaveFileRequest request;
    request.eKind = eKind;
    request.strFilter = strFilter;
    request.strFolder = movie ? settings.MovieFolder() : settings.ScreenshotFolder();
    if (request.strFolder.empty() ||
        !QFileInfo(QString::fromStdString(request.strFolder)).isDir()) {
        QString folder = QStandardPaths::writableLocation(movie ? QStandardPaths::MoviesLocation
                                                                : QStandardPaths::PicturesLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
        request.strFolder = folder.toStdString();
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    LocalTime(now, local);
    request.strName = TimestampedName(local);
    auto path = dialogs.GetSaveFileName(request);
    if (path) {
        const std::string folder =
            QFileInfo(QString::fromStdString(*path)).absolutePath().toStdString();
        if (movie)
            settings.SetMovieFolder(folder);
        else
            settings.SetScreenshotFolder(folder);
    }
    return path;
}
