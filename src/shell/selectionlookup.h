#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "windowdata.h"

class CompactWindow;
class TextSelection;
struct CommandLine;

// `evelmora --selection` and `--clipboard`: the word the user selected, cleaned, in the
// dictionary chosen for it; handed to the running program when there is one, else shown in a
// compact window of its own.
class SelectionLookUp final
{
public:
    // Reads the selection and chooses the dictionary (the tables are opened for that only
    // when the user did not choose it).
    SelectionLookUp(TextSelection& selection, const CommandLine& command, QString dataDirectory);
    SelectionLookUp(const SelectionLookUp&) = delete;
    SelectionLookUp& operator=(const SelectionLookUp&) = delete;
    ~SelectionLookUp();

    // Why there is nothing to look up.
    const std::optional<QString>& problem() const { return m_problem; }
    bool english() const { return m_english; }
    const QString& word() const { return m_word; }

    // True when the running program took the look-up.
    bool handOver(const QString& channel) const;
    // The window that shows the word, or the problem; the tables not yet open are opened.
    std::unique_ptr<CompactWindow> window();

private:
    QString m_dataDirectory;
    std::optional<QString> m_problem;
    bool m_english = false;
    QString m_word;
    WindowData m_french;
    WindowData m_englishData;
};
