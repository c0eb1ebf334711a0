// The contact detail view: the frame "Contact Informations" with its two name rows and
// the four tabbed pages of boxes, one box per catalogued contact item. It shows one
// contact at a time and keeps no contact data of its own; the contact's photo it hands
// to the window (photoChanged), which shows it where it covers no control.
#pragma once

#include <QGroupBox>
#include <QPixmap>
#include <array>

#include "contact/contact.h"
#include "notes/address_book.h"
#include "notes/contact_items.h"
#include "viewer/item_places.h"

class QLineEdit;
class QVBoxLayout;
class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace brenmoor::viewer {

class ContactDetailView : public QGroupBox {
    Q_OBJECT
public:
    explicit ContactDetailView(QWidget* parent = nullptr);

    // Fills every item box from the contact; an item the contact lacks empties its box.
    void showContact(const notes::ContactDocument& contact);
    // Empties every item box.
    void clear();

    // The text a box shows, and the box itself (a line edit, or a plain-text edit for
    // the two large Briefcase boxes).
    QString boxText(notes::ContactItem item) const;
    QWidget* box(notes::ContactItem item) const;

    QTabWidget* tabs() const { return tabs_; }

signals:
    // The photo of the contact shown; a null pixmap where it has none (or the view is
    // empty, or the photo cannot be read).
    void photoChanged(const QPixmap& photo);
    // The user asked to save one of the contact's attached files.
    void saveFileRequested(const brenmoor::contact::Attachment& file);

private:
    void setBoxText(std::size_t index, const QString& text);
    // What the boxes of single items leave out: every address, number, web page and
    // person of the contact model (Advanced, "More"), the attached files (Briefcase).
    void showModel(const contact::Contact& model);
    void clearFiles();

    std::array<QLineEdit*, notes::kContactItemCount> lines_{};
    std::array<QPlainTextEdit*, notes::kContactItemCount> pages_{};
    QTabWidget* tabs_ = nullptr;
    QPlainTextEdit* more_ = nullptr;
    QWidget* files_ = nullptr; // a row per attached file, with its Save button
    QVBoxLayout* fileRows_ = nullptr;
};

} // namespace brenmoor::viewer
