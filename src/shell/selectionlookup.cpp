#include "selectionlookup.h"

#include "commandline.h"
#include "compactwindow.h"
#include "direction.h"
#include "lookupchannel.h"
#include "selectedword.h"
#include "textselection.h"

SelectionLookUp::SelectionLookUp(TextSelection& selection, const CommandLine& command, QString dataDirectory)
    : m_dataDirectory(std::move(dataDirectory))
    , m_english(command.english)
{
    const Result<QString> text = selection.text(command.clipboard);
    if (!text) {
        m_problem = text.failure().description;
        return;
    }
    const Result<QString> word = SelectedWord::cleaned(*text);
    if (!word) {
        m_problem = word.failure().description;
        return;
    }
    m_word = *word;
    if (!command.languageChosen) {
        m_french = WindowData::openForLookUp(Direction::frenchToEnglish(), m_dataDirectory);
        m_englishData = WindowData::openForLookUp(Direction::englishToFrench(), m_dataDirectory);
        m_english = SelectedWord::inEnglish(m_french, m_englishData, m_word);
    }
}

SelectionLookUp::~SelectionLookUp() = default;

bool SelectionLookUp::handOver(const QString& channel) const
{
    return !m_problem && LookupChannel::handOver(channel, m_english, m_word.toStdString());
}

std::unique_ptr<CompactWindow> SelectionLookUp::window()
{
    if (!m_french.store && !m_french.loadFailure)
        m_french = WindowData::openForLookUp(Direction::frenchToEnglish(), m_dataDirectory);
    if (!m_englishData.store && !m_englishData.loadFailure)
        m_englishData = WindowData::openForLookUp(Direction::englishToFrench(), m_dataDirectory);
    auto window = std::make_unique<CompactWindow>(std::move(m_french), std::move(m_englishData));
    if (m_problem)
        window->showMessage(*m_problem);
    else
        window->lookUp(m_english, m_word);
    return window;
}
