#include "programservices.h"

#include <QApplication>
#include <QDir>

#include "buttonpointer.h"
#include "systemmediaplayer.h"

ProgramServices::ProgramServices(QApplication& app, QString dataDirectory, QString programDirectory, MessagePresenter* presenter)
    : m_presenter(presenter ? *presenter : m_messageBox)
    // F1 before any dictionary window opens shows the data directory's help file.
    , m_helpFile(QDir(dataDirectory).filePath(QStringLiteral("efENG.chm")))
    , m_reportViewer(m_presenter)
    , m_helpKey(m_helpFile, m_helpViewer)
    , m_memory(UserMemory::fromEnvironment())
    , m_windows {
        .presenter = m_presenter,
        .busyPointer = m_busyPointer,
        .helpFile = m_helpFile,
        .terms = m_terms,
        .reportViewer = m_reportViewer,
        .helpViewer = m_helpViewer,
        .makePlayer = [] { return std::make_unique<SystemMediaPlayer>(); },
        .makeFileDialog = [] { return std::make_unique<QtFileOpenDialog>(); },
        .dataDirectory = std::move(dataDirectory),
        .programDirectory = std::move(programDirectory),
        .buttonPointer = pointingHandPointer(),
        .memory = &m_memory,
    }
    , m_presentations(m_drives, m_starter, m_presenter)
{
    app.installEventFilter(&m_helpKey);
}
