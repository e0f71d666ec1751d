#pragma once

#include <QString>

#include "applicationhelpfile.h"
#include "dictionarywindow.h"
#include "helpviewer.h"
#include "presentationlauncher.h"
#include "printing.h"
#include "qtplatform.h"
#include "qtreportviewer.h"
#include "usermemory.h"

class QApplication;

// The concrete services of the running program, built once and handed to every window: the
// message box, the busy pointer, the help file and viewer (F1 included), the report preview,
// the players and file dialogs, the disc search and the process starter.
class ProgramServices final {
public:
    // `presenter` replaces the message box when given (the traced session prints instead).
    ProgramServices(QApplication& app, QString dataDirectory, QString programDirectory, MessagePresenter* presenter = nullptr);
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    WindowServices& windows() { return m_windows; }
    PresentationLauncher& presentations() { return m_presentations; }

private:
    QtMessagePresenter m_messageBox;
    MessagePresenter& m_presenter;
    QtBusyPointer m_busyPointer;
    ApplicationHelpFile m_helpFile;
    PrintableTerms m_terms;
    QtReportViewer m_reportViewer;
    QtHelpViewer m_helpViewer;
    HelpKey m_helpKey;
    UserMemory m_memory;
    WindowServices m_windows;
    SystemOpticalDrives m_drives;
    SystemProgramStarter m_starter;
    PresentationLauncher m_presentations;
};
