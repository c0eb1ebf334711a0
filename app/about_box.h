// The about box: the product's name, version and maker on one picture, with the maker's
// web address as a link. The main window creates one per showing, shows it modally with
// exec() and owns it; OK closes it (exec() returns QDialog::Accepted). It keeps no state.
#pragma once

#include <QDialog>
#include <QPixmap>

namespace brenmoor::app {

class Prompts;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(Prompts& prompts, QWidget* parent = nullptr);

    // OK: closes the box.
    void cmdOK_Click();
    // The web address: opens the maker's site in the desktop's browser; the box stays.
    void Label1_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Prompts& prompts_;
    QPixmap background_;
};

} // namespace brenmoor::app
