#include "app/Settings.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>
#include <filesystem>

namespace {

const char kLastPort[] = "connection/lastPort";
const char* const kSkin[] = {"skins/s60", "skins/uiq"};
const char kZoom[] = "view/zoom";
const char kFillScreen[] = "view/fillScreen";
const char kStayOnTop[] = "view/stayOnTop";
const char kMoviesWithSkin[] = "recording/moviesWithSkin";
const char kWindowX[] = "window/x";
const char kWindowY[] = "window/y";
const char kFrameLeft[] = "window/frameLeft";
const char kFrameTop[] = "window/frameTop";
const char kRecordingIndicator[] = "view/recordingIndicator";
const char kMovieFolder[] = "folders/movie";
const char kScreenshotFolder[] = "folders/screenshot";

QString UserFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumetto/lumetto.conf");
}

// A whole number stored under pszKey, or nothing when the entry is missing
// or is no number.
std::optional<int> Number(const QSettings& s, const char* pszKey) {
    bool ok = false;
    const int n = s.value(QLatin1String(pszKey)).toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

// The file to keep the settings in. Something at the name that is not a
// regular file (a FIFO, a device, a folder) is never opened, since reading it
// could block the start, and a file above kMaxFileSize is not read, since
// reading it would stall the start and take its size in memory: this run
// then keeps its settings in a private folder of its own, and says so.
QString CSettings::ChooseFile(const std::string& strFile) {
    const QString file = strFile.empty() ? UserFile() : QString::fromStdString(strFile);
    const QByteArray name = QFile::encodeName(file);
    // status follows a link to the file it names, as the settings are
    // written through such a link.
    std::error_code ec;
    const auto status = std::filesystem::status(name.constData(), ec);
    const bool bRegular = std::filesystem::is_regular_file(status);
    if (!std::filesystem::exists(status) ||
        (bRegular && std::filesystem::file_size(name.constData(), ec) <=
                         static_cast<std::uintmax_t>(kMaxFileSize)))
        return file;
    if (bRegular)
        std::fprintf(stderr,
                     "lumetto: the settings file %s is larger than 1 MiB, so it was not read "
                     "and this run's choices are not remembered: remove it or make it smaller.\n",
                     name.constData());
    else
        std::fprintf(stderr,
                     "lumetto: the settings file %s is not a regular file, so this run's choices "
                     "are not remembered: remove it or put a file there.\n",
                     name.constData());
    m_pPrivateFolder = std::make_unique<QTemporaryDir>();
    return m_pPrivateFolder->filePath(QStringLiteral("lumetto.conf"));
}

CSettings::CSettings(const std::string& strFile)
    : m_pSettings(std::make_unique<QSettings>(ChooseFile(strFile), QSettings::IniFormat)) {}

CSettings::~CSettings() = default;

bool CSettings::Sync() {
    m_pSettings->sync();
    if (m_pSettings->status() == QSettings::NoError)
        return true;
    TellUnsaved();
    return false;
}

void CSettings::TellUnsaved() {
    if (m_bToldUnsaved)
        return;
    m_bToldUnsaved = true;
    const std::string text = "The settings cannot be saved to " +
                             QFile::encodeName(m_pSettings->fileName()).toStdString() +
                             ", so this run's choices will not be remembered: check that the "
                             "folder exists and can be written.";
    std::fprintf(stderr, "lumetto: %s\n", text.c_str());
    if (m_fnUnsaved)
        m_fnUnsaved(text);
}

bool CSettings::Flag(const char* pszKey, bool bDefault) const {
    const QString v = m_pSettings->value(QLatin1String(pszKey)).toString().trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("1"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("0"))
        return false;
    return bDefault;
}

std::string CSettings::Text(const char* pszKey) const {
    const QVariant v = m_pSettings->value(QLatin1String(pszKey));
    if (v.typeId() == QMetaType::QByteArray) // a text that is not UTF-8, as it was
        return v.toByteArray().toStdString();
    return v.canConvert<QString>() ? v.toString().toStdString() : std::string();
}

void CSettings::Set(const char* pszKey, const std::string& strValue) {
    // A path need not be UTF-8: such a text is kept as its bytes, so that
    // it comes back unchanged; any other stays readable in the file.
    const QString text = QString::fromStdString(strValue);
    if (text.toStdString() == strValue)
        m_pSettings->setValue(QLatin1String(pszKey), text);
    else
        m_pSettings->setValue(QLatin1String(pszKey), QByteArray::fromStdString(strValue));
    Sync();
}

void CSettings::Set(const char* pszKey, bool bValue) {
    m_pSettings->setValue(QLatin1String(pszKey), bValue);
    Sync();
}

std::string CSettings::LastPort() const {
    return Text(kLastPort);
}
void CSettings::SetLastPort(const std::string& strPort) {
    Set(kLastPort, strPort);
}

std::string CSettings::Skin(int nPlatform) const {
    return nPlatform == 0 || nPlatform == 1 ? Text(kSkin[nPlatform]) : std::string();
}
void CSettings::SetSkin(int nPlatform, const std::string& strFileName) {
    if (nPlatform == 0 || nPlatform == 1)
        Set(kSkin[nPlatform], strFileName);
}

int CSettings::Zoom() const {
    const int n = Number(*m_pSettings, kZoom).value_or(1);
    return n >= 1 && n <= kMaxZoom ? n : 1;
}
void CSettings::SetZoom(int nZoom) {
    m_pSettings->setValue(QLatin1String(kZoom), nZoom >= 1 && nZoom <= kMaxZoom ? nZoom : 1);
}
bool CSettings::RecordingIndicator() const {
    return Flag(kRecordingIndicator, true);
}
void CSettings::SetRecordingIndicator(bool bOn) {
    Set(kRecordingIndicator, bOn);
}

bool CSettings::FillScreen() const {
    return Flag(kFillScreen, false);
}
void CSettings::SetFillScreen(bool bOn) {
    Set(kFillScreen, bOn);
}
bool CSettings::StayOnTop() const {
    return Flag(kStayOnTop, false);
}
void CSettings::SetStayOnTop(bool bOn) {
    Set(kStayOnTop, bOn);
}
bool CSettings::MoviesWithSkin() const {
    return Flag(kMoviesWithSkin, false);
}
void CSettings::SetMoviesWithSkin(bool bOn) {
    Set(kMoviesWithSkin, bOn);
}

std::optional<std::pair<int, int>> CSettings::WindowPosition() const {
    const auto x = Number(*m_pSettings, kWindowX);
    const auto y = Number(*m_pSettings, kWindowY);
    if (!x || !y)
        return std::nullopt;
    return std::make_pair(*x, *y);
}
void CSettings::SetWindowPosition(int x, int y) {
    m_pSettings->setValue(QLatin1String(kWindowX), x);
    m_pSettings->setValue(QLatin1String(kWindowY), y);
}
std::optional<std::pair<int, int>> CSettings::WindowFrame() const {
    const auto left = Number(*m_pSettings, kFrameLeft);
    const auto top = Number(*m_pSettings, kFrameTop);
    // A frame is a few pixels and a title bar: anything else is no frame.
    constexpr int kMaxFrame = 500;
    if (!left || !top || *left < 0 || *top < 0 || *left > kMaxFrame || *top > kMaxFrame)
        return std::nullopt;
    return std::make_pair(*left, *top);
}
void CSettings::SetWindowFrame(int nLeft, int nTop) {
    m_pSettings->setValue(QLatin1String(kFrameLeft), nLeft);
    m_pSettings->setValue(QLatin1String(kFrameTop), nTop);
}

std::string CSettings::MovieFolder() const {
    return Text(kMovieFolder);
}
void CSettings::SetMovieFolder(const std::string& strFolder) {
    Set(kMovieFolder, strFolder);
}
std::string CSettings::ScreenshotFolder() const {
    return Text(kScreenshotFolder);
}
void CSettings::SetScreenshotFolder(const std::string& strFolder) {
    Set(kScreenshotFolder, strFolder);
}
