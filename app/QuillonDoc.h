// The document holds no data: its title is the connection state, shown in
// the main window's caption as "<title> - Morvane Lumetto". (Notices are
// drawn over the picture, see INoticeSink.)
#pragma once

#include <functional>
#include <string>

class CQuillonDoc {
public:
    using TitleChanged = std::function<void(const std::string&)>;

    void SetTitle(const std::string& strTitle) {
        m_strTitle = strTitle;
        Changed();
    }
    const std::string& GetTitle() const { return m_strTitle; }
    void OnTitleChanged(TitleChanged fn) { m_fnTitleChanged = std::move(fn); }

private:
    void Changed() {
        if (m_fnTitleChanged)
            m_fnTitleChanged(m_strTitle);
    }

    std::string m_strTitle;
    TitleChanged m_fnTitleChanged;
};
