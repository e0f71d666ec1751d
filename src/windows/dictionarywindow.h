#pragma once

#include <functional>
#include <memory>

#include <QCursor>
#include <QPointer>
#include <QWidget>

#include "windowdata.h"

class ApplicationHelpFile;
class BusyPointer;
class CompletionList;
class BackgroundTermFinder;
class TermFinder;
class DictionaryOperations;
class EntryWindow;
class UserMemory;
class WindowZoom;
class FileOpenDialog;
class HelpViewer;
class MediaPlayer;
class MusicOperations;
class PrintOperation;
class ReportViewer;
struct PrintableTerms;
class MessagePresenter;
class QLineEdit;
class QPushButton;
struct Direction;
struct DictionaryWindowDesign;

// What the shell hands every dictionary window.
struct WindowServices final {
    MessagePresenter& presenter;
    BusyPointer& busyPointer;
    ApplicationHelpFile& helpFile;
    PrintableTerms& terms;
    ReportViewer& reportViewer;
    HelpViewer& helpViewer;
    // Each window gets a player and a file dialog of its own.
    std::function<std::unique_ptr<MediaPlayer>()> makePlayer;
    std::function<std::unique_ptr<FileOpenDialog>()> makeFileDialog;
    QString dataDirectory;
    QString programDirectory;
    QCursor buttonPointer;
    // Where favourites, zoom and history are kept; none: nothing is remembered.
    UserMemory* memory = nullptr;
};

// A dictionary window, f1 (French to English) or eng2 (English to French): its controls and
// the wiring of each to its operation.
class DictionaryWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DictionaryWindow)

public:
    static DictionaryWindow* createF1(WindowServices& services, QWidget* parent = nullptr);
    static DictionaryWindow* createEng2(WindowServices& services, QWidget* parent = nullptr);
    ~DictionaryWindow() override;

    // Points the help file at this window's own and opens the cursors; failures are reported
    // under "Form_Load" and the window stays usable.
    void Form_Load();

    void Cmdnew_Click();
    void cmdHelp_Click();

    // Shows the entry a word leads to, as if it had been typed and searched: a look-up that
    // comes from the command line or another program.
    void lookUp(const QString& word);

    // The entry view beside the window (Ctrl+I), made the first time; it follows the window.
    EntryWindow* openEntryView();
    // The zoom of the whole window, in per cent (Ctrl+Plus, Ctrl+Minus, Ctrl+0).
    int zoom() const;
    void setZoom(int percent);

signals:
    // cmdAnglais in f1, cmdFrensh in eng2.
    void otherDirectionRequested();
    // cmdRetour.
    void backRequested();
    // cmdBibliography, cmdPublisher and CmdWriter open their windows over this one.
    void bibliographyRequested();
    void publisherRequested();
    void writerRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class View;

    DictionaryWindow(const DictionaryWindowDesign& design, const Direction& direction, WindowServices& services, QWidget* parent);
    void build();
    void buildPictureAndTitles();
    void buildTermBoxes();
    void buildRowButtons();
    void buildLetterButtons();
    void buildMusicButtons();
    void buildBottomButtons();
    void buildBeside();
    void wire(QPushButton* button, std::function<void(DictionaryOperations&)> operation);
    void updateList(const QString& typed);
    void take(const QString& term);
    // The words searched in this window since it opened, for Alt+Up and Alt+Down.
    void remember(const QString& word);
    void recall(int step);
    // The list's keys and the history's; true when the key was theirs.
    bool listKey(QKeyEvent* key);
    QPushButton* addButton(const QString& name, const QString& caption, const QString& tooltip, const QRect& twips);
    // After the boxes changed: the entry view shows the entry now in the source box.
    void entryShown();
    // After a search for `typed` that found no entry equal to it: the closest ones, at once.
    void offerClosest(const QString& typed);
    void zoomBy(int step);

    const DictionaryWindowDesign& m_design;
    const Direction& m_direction;
    WindowServices& m_services;
    QLineEdit* m_textFr = nullptr;
    QLineEdit* m_textEng = nullptr;
    QPushButton* m_newSearch = nullptr; // Cmdnew, the cancel button
    QPushButton* m_previous = nullptr;  // cmdRecule
    QPushButton* m_next = nullptr;      // cmdAvance
    QPushButton* m_printButton = nullptr; // cmdImprimer
    QLineEdit* m_source = nullptr;
    QLineEdit* m_target = nullptr;
    CompletionList* m_list = nullptr;
    std::unique_ptr<TermFinder> m_finder;
    std::unique_ptr<BackgroundTermFinder> m_background; // instead, for a store on a server
    QStringList m_history;
    qsizetype m_recalled = 0;
    std::unique_ptr<View> m_view;
    WindowData m_data;
    std::unique_ptr<DictionaryOperations> m_operations;
    std::unique_ptr<PrintOperation> m_print;
    std::unique_ptr<MusicOperations> m_music; // MMControl1 and CommonDialog1
    std::unique_ptr<WindowZoom> m_zoom;
    QPointer<EntryWindow> m_entryView;
    bool m_entryPending = false;
    QString m_searched; // the text of the last search from the button
};
