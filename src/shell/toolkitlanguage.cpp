#include "toolkitlanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

ToolkitLanguage::ToolkitLanguage() = default;

ToolkitLanguage::~ToolkitLanguage()
{
    useFrench(false);
}

void ToolkitLanguage::useFrench(bool french)
{
    if (french == m_installed)
        return;
    if (!french) {
        QCoreApplication::removeTranslator(m_french.get());
        m_installed = false;
        return;
    }
    if (!m_french) {
        m_french = std::make_unique<QTranslator>();
        m_loaded = m_french->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    m_installed = m_loaded && QCoreApplication::installTranslator(m_french.get());
}
