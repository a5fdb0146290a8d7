// The document holds no data: its title is the connection state, shown in
// the main window's caption as "<title> - Morvane Lumetto".
#pragma once

#include <functional>
#include <string>

class CQuillonDoc {
public:
    using TitleChanged = std::function<void(const std::string&)>;

    void SetTitle(const std::string& strTitle) {
        m_strTitle = strTitle;
        if (m_fnTitleChanged)
            m_fnTitleChanged(m_strTitle);
    }
    const std::string& GetTitle() const { return m_strTitle; }
    void OnTitleChanged(TitleChanged fn) { m_fnTitleChanged = std::move(fn); }

private:
    std::string m_strTitle;
    TitleChanged m_fnTitleChanged;
};
