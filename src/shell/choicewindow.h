#pragma once

#include "shellwindow.h"

// choix: the choice between the two dictionaries and the two presentations.
class ChoiceWindow final : public ShellWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChoiceWindow)

public:
    ChoiceWindow(MessagePresenter& presenter, const QCursor& buttonPointer, QWidget* parent = nullptr);

    // choix_Form_Load: the load colour.
    void Form_Load();

signals:
    void englishRequested(); // cmdVelmoraEng
    void frenchRequested();  // Command1
    void backRequested();    // cmdRetour
    void englishPresentationRequested(); // cmdPresEng
    void frenchPresentationRequested();  // cmdPresenFr
};
