#pragma once

#include <memory>

class QTranslator;

// The language of the toolkit's own dialogs (print preview, printer, file dialog): that of the
// dictionary window the user is in, from the system's Qt translations. English is the
// toolkit's own; without the translations the dialogs stay in English.
class ToolkitLanguage final {
public:
    ToolkitLanguage();
    ~ToolkitLanguage();
    ToolkitLanguage(const ToolkitLanguage&) = delete;
    ToolkitLanguage& operator=(const ToolkitLanguage&) = delete;

    void useFrench(bool french);

private:
    std::unique_ptr<QTranslator> m_french;
    bool m_loaded = false;
    bool m_installed = false;
};
