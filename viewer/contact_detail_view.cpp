// The contact detail view: builds the name rows and the four tabbed pages from the items'
// places, so each box stands in its tab and frame under its own name.
#include "viewer/contact_detail_view.h"

#include "contact/contact_from_document.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brenmoor::viewer {

namespace {


// The largest photo file decoded into the window, and the most pixels a photo may
// declare: a picture is decoded at the size its header declares, so a few bytes may
// ask for hundreds of megabytes. A larger one shows as a placeholder, never decoded.
constexpr std::uint64_t kLargestPhotoBytes = 16u << 20;
constexpr qint64 kPhotoPixelBudget = 4096 * 1024; // 16 MiB as 32-bit pixels
// The side a photo is read at where its format can scale on reading (JPEG): the banner
// shows it smaller still.
constexpr int kPhotoReadSide = 512;

// A grey outline of a person, for a photo too large to show.
QPixmap placeholderPhoto() {
    constexpr int side = 96;
    QPixmap pixmap(side, side);
    pixmap.fill(QColor(0xE4, 0xE4, 0xE4));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xA8, 0xA8, 0xA8));
    painter.drawEllipse(QRectF(side * 0.33, side * 0.14, side * 0.34, side * 0.34));
    painter.drawEllipse(QRectF(side * 0.16, side * 0.56, side * 0.68, side * 0.7));
    return pixmap;
}

// The photo as the window shows it: decoded only where its declared size is within the
// budget, scaled on reading where the format can; a placeholder where it is too large,
// nothing where it cannot be read.
QPixmap photoPixmap(const contact::Attachment& photo) {
    if (photo.size() > kLargestPhotoBytes) return placeholderPhoto();
    QByteArray bytes;
    photo.forEachDecodedPiece([&](std::string_view piece) { bytes.append(piece.data(), qsizetype(piece.size())); });
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QSize declared = reader.size();
    if (!declared.isValid()) return QPixmap();
    const bool scales = reader.supportsOption(QImageIOHandler::ScaledSize);
    const QSize read = scales && (declared.width() > kPhotoReadSide || declared.height() > kPhotoReadSide)
                           ? declared.scaled(kPhotoReadSide, kPhotoReadSide, Qt::KeepAspectRatio)
                           : declared;
    // A reader that scales decodes at the smaller size; any other decodes it whole first.
    const QSize decoded = scales ? read : declared;
    if (qint64(decoded.width()) * decoded.height() > kPhotoPixelBudget ||
        qint64(declared.width()) * declared.height() > kPhotoPixelBudget * 64)
        return placeholderPhoto();
    if (read != declared) reader.setScaledSize(read);
    return QPixmap::fromImage(reader.read());
}

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A caption or label as the user reads it, in the user's language where translated.
QString shown(std::string_view text) {
    return QCoreApplication::translate("brenmoor::viewer::ContactDetailView", std::string(text).c_str());
}

// A value's label: the label of the catalogued item's box, in the user's language, for
// an item the catalogue knows (PersPager, Prev, NameDisplayPref), else its Notes name.
QString fieldLabel(const std::string& name) {
    if (const auto item = notes::catalogueItem(name); item && !place(*item).label.empty())
        return shown(place(*item).label);
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// Frames and labels beyond those the window names itself are numbered in creation order,
// as the original form numbered its controls.
class ControlNames {
public:
    QString nextFrame() { return QStringLiteral("Frame%1").arg(frame_++); }
    QString nextLabel() { return QStringLiteral("Label%1").arg(label_++); }

private:
    int frame_ = 4;
    int label_ = 2;
};

// A frame of one tab and where it stands on the page's grid.
struct FramePlace {
    const char* caption;
    int row;
    int column;
    int rowSpan;
};

struct TabPage {
    DetailTab tab;
    const char* caption;
    std::vector<FramePlace> frames;
};

const std::vector<TabPage>& tabPages() {
    static const std::vector<TabPage> pages{
        {DetailTab::Business, "Business",
         {{"Business", 0, 0, 1}, {"Contact Information", 0, 1, 2}, {"Business Address", 1, 0, 1}}},
        {DetailTab::Personal, "Personal",
         {{"Persional", 0, 0, 1}, {"Family", 1, 0, 1}, {"Contact Information", 0, 1, 2}}},
        {DetailTab::Briefcase, "Briefcase", {{"Contact Brifcase", 0, 0, 1}, {"Comments", 1, 0, 1}}},
        {DetailTab::Advanced, "Advanced",
         {{"Notes Certificate", 1, 1, 1}, {"Organize", 0, 1, 1}, {"Internet Certificate", 1, 0, 1},
          {"Name", 0, 0, 1}}},
    };
    return pages;
}

// A box shows its item and lets it be selected and copied, not edited; a screen reader
// names it after its label.
QLineEdit* makeLine(const QString& objectName, const QString& label, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setReadOnly(true);
    edit->setAccessibleName(label);
    return edit;
}

QLabel* makeLabel(const QString& caption, ControlNames& names, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(names.nextLabel());
    return label;
}

} // namespace

ContactDetailView::ContactDetailView(QWidget* parent) : QGroupBox(tr("Contact Informations"), parent) {
    setObjectName(QStringLiteral("Frame3"));
    ControlNames names;

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 6);
    outer->setSpacing(4);

    // The name rows: three boxes to a row, each after its label.
    auto* nameRows = new QGridLayout;
    nameRows->setHorizontalSpacing(6);
    nameRows->setVerticalSpacing(3);
    int nameSlot = 0;
    for (std::size_t i = 0; i < kItemPlaces.size(); ++i) {
        const ItemPlace& info = kItemPlaces[i];
        if (info.tab != DetailTab::NameRows) continue;
        const int row = nameSlot / 3;
        const int column = (nameSlot % 3) * 2;
        nameRows->addWidget(makeLabel(shown(info.label), names, this), row, column);
        lines_[i] = makeLine(qs(info.box), shown(info.label), this);
        nameRows->addWidget(lines_[i], row, column + 1);
        ++nameSlot;
    }
    outer->addLayout(nameRows);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    outer->addWidget(tabs_, 1);

    for (const TabPage& page : tabPages()) {
        auto* pageWidget = new QWidget(tabs_);
        pageWidget->setObjectName(QStringLiteral("SSTab1_%1").arg(qs(page.caption)));
        auto* grid = new QGridLayout(pageWidget);
        grid->setContentsMargins(4, 4, 4, 4);
        grid->setSpacing(4);

        for (const FramePlace& place : page.frames) {
            auto* frame = new QGroupBox(shown(place.caption), pageWidget);
            frame->setObjectName(names.nextFrame());
            grid->addWidget(frame, place.row, place.column, place.rowSpan, 1);

            if (page.tab == DetailTab::Briefcase) {
                // One large box fills the frame; the frame's caption names it.
                auto* layout = new QVBoxLayout(frame);
                layout->setContentsMargins(4, 2, 4, 4);
                for (std::size_t i = 0; i < kItemPlaces.size(); ++i) {
                    const ItemPlace& info = kItemPlaces[i];
                    if (info.tab != page.tab || info.frame != place.caption) continue;
                    auto* edit = new QPlainTextEdit(frame);
                    edit->setObjectName(qs(info.box));
                    edit->setReadOnly(true);
                    edit->setAccessibleName(shown(place.caption));
                    pages_[i] = edit;
                    layout->addWidget(edit);
                }
                continue;
            }

            auto* form = new QFormLayout(frame);
            form->setContentsMargins(4, 2, 4, 4);
            form->setVerticalSpacing(2);
            form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
            if (page.tab == DetailTab::Advanced && std::string_view(place.caption) == "Internet Certificate") {
                // Two boxes the address book has no items for; they stay empty.
                for (const auto& [box, label] : {std::pair{"Text39", "Internet certificate"},
                                                 std::pair{"Text40", "Internet certificate issuers"}})
                    form->addRow(makeLabel(shown(label), names, frame),
                                 makeLine(QString::fromUtf8(box), shown(label), frame));
                continue;
            }
            for (std::size_t i = 0; i < kItemPlaces.size(); ++i) {
                const ItemPlace& info = kItemPlaces[i];
                if (info.tab != page.tab || info.frame != place.caption) continue;
                lines_[i] = makeLine(qs(info.box), shown(info.label), frame);
                form->addRow(makeLabel(shown(info.label), names, frame), lines_[i]);
            }
        }
        if (page.tab == DetailTab::Advanced) {
            auto* frame = new QGroupBox(tr("More"), pageWidget);
            frame->setObjectName(QStringLiteral("MoreFrame"));
            auto* layout = new QVBoxLayout(frame);
            more_ = new QPlainTextEdit(frame);
            more_->setObjectName(QStringLiteral("More"));
            more_->setReadOnly(true);
            more_->setAccessibleName(tr("More"));
            layout->addWidget(more_);
            grid->addWidget(frame, grid->rowCount(), 0, 1, grid->columnCount());
        }
        if (page.tab == DetailTab::Briefcase) {
            files_ = new QGroupBox(tr("Attached files"), pageWidget);
            files_->setObjectName(QStringLiteral("AttachedFiles"));
            fileRows_ = new QVBoxLayout(files_);
            files_->hide();
            grid->addWidget(files_, grid->rowCount(), 0, 1, grid->columnCount());
        }
        for (int column = 0; column < grid->columnCount(); ++column) grid->setColumnStretch(column, 1);
        // A page taller or wider than the room the window gives it scrolls.
        auto* scroller = new QScrollArea(tabs_);
        scroller->setObjectName(QStringLiteral("SSTab1_%1_Scroll").arg(qs(page.caption)));
        scroller->setFrameShape(QFrame::NoFrame);
        // The page's boxes take the focus, not the scroller around them: no Tab stop that
        // shows nothing and has no name.
        scroller->setFocusPolicy(Qt::NoFocus);
        scroller->setAccessibleName(shown(page.caption));
        scroller->setWidgetResizable(true);
        scroller->setWidget(pageWidget);
        tabs_->addTab(scroller, shown(page.caption));
    }
}

void ContactDetailView::setBoxText(std::size_t index, const QString& text) {
    if (lines_[index]) {
        lines_[index]->setText(text);
        lines_[index]->setCursorPosition(0);
    } else if (pages_[index]) {
        pages_[index]->setPlainText(text);
    }
}

void ContactDetailView::showContact(const notes::ContactDocument& contact) {
    for (std::size_t i = 0; i < kItemPlaces.size(); ++i)
        setBoxText(i, QString::fromStdString(contact.itemText(kItemPlaces[i].item)));
    const contact::Contact model = contact::contactFromDocument(contact, 0);
    showModel(model);
    emit photoChanged(model.photo ? photoPixmap(*model.photo) : QPixmap());
}

namespace {

QString placeText(contact::Place place) {
    switch (place) {
    case contact::Place::Work: return ContactDetailView::tr("work");
    case contact::Place::Home: return ContactDetailView::tr("home");
    case contact::Place::Other: return ContactDetailView::tr("other");
    }
    return {};
}

QString phoneText(contact::PhoneKind kind) {
    using contact::PhoneKind;
    switch (kind) {
    case PhoneKind::WorkVoice: return ContactDetailView::tr("Office phone");
    case PhoneKind::WorkFax: return ContactDetailView::tr("Office fax");
    case PhoneKind::WorkCell: return ContactDetailView::tr("Cell phone");
    case PhoneKind::WorkPager: return ContactDetailView::tr("Pager");
    case PhoneKind::HomeVoice: return ContactDetailView::tr("Home phone");
    case PhoneKind::HomeFax: return ContactDetailView::tr("Home fax");
    case PhoneKind::PersonalCell: return ContactDetailView::tr("Personal cell phone");
    case PhoneKind::Assistant: return ContactDetailView::tr("Assistant");
    case PhoneKind::Car: return ContactDetailView::tr("Car phone");
    case PhoneKind::OtherVoice: return ContactDetailView::tr("Other phone");
    case PhoneKind::OtherFax: return ContactDetailView::tr("Other fax");
    }
    return {};
}

QString relationText(contact::Relation relation) {
    switch (relation) {
    case contact::Relation::Spouse: return ContactDetailView::tr("Spouse");
    case contact::Relation::Child: return ContactDetailView::tr("Child");
    case contact::Relation::Manager: return ContactDetailView::tr("Manager");
    case contact::Relation::Assistant: return ContactDetailView::tr("Assistant");
    }
    return {};
}

QString sizeText(std::uint64_t bytes) { return QLocale().formattedDataSize(qint64(bytes)); }

} // namespace

void ContactDetailView::clearFiles() {
    while (QLayoutItem* row = fileRows_->takeAt(0)) {
        delete row->widget();
        delete row;
    }
    files_->hide();
}

void ContactDetailView::showModel(const contact::Contact& model) {
    const auto utf8 = [](const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); };
    // The Email box shows the first Internet address where the book has no Notes one.
    const auto email = static_cast<std::size_t>(notes::ContactItem::MailAddress);
    if (lines_[email] && lines_[email]->text().isEmpty() && !model.emails.empty())
        setBoxText(email, utf8(model.emails.front().address));

    QStringList lines;
    for (const contact::Email& e : model.emails)
        lines << tr("E-mail (%1): %2").arg(placeText(e.place), utf8(e.address));
    for (const contact::Phone& p : model.phones) lines << phoneText(p.kind) + QStringLiteral(": ") + utf8(p.number);
    for (const contact::WebPage& w : model.webPages)
        lines << tr("Web page (%1): %2").arg(placeText(w.place), utf8(w.url));
    for (const contact::Related& r : model.related) lines << relationText(r.relation) + QStringLiteral(": ") + utf8(r.name);
    for (const std::string& im : model.imAddresses) lines << tr("Instant messaging: %1").arg(utf8(im));
    for (const contact::OtherField& f : model.otherFields) lines << fieldLabel(f.label) + QStringLiteral(": ") + utf8(f.value);
    more_->setPlainText(lines.join(QLatin1Char('\n')));

    // A row per attached file: its name and size, and a button that saves it.
    clearFiles();
    for (const contact::Attachment& file : model.attachments) {
        auto* row = new QWidget(files_);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        const QString name = utf8(file.name());
        auto* label = new QLabel(tr("%1 (%2)").arg(name, sizeText(file.size())), row);
        label->setTextFormat(Qt::PlainText);
        auto* save = new QPushButton(tr("&Save..."), row);
        save->setObjectName(QStringLiteral("SaveFile"));
        save->setAccessibleName(tr("Save %1").arg(name));
        save->setEnabled(file.readable());
        connect(save, &QPushButton::clicked, this, [this, file] { emit saveFileRequested(file); });
        line->addWidget(label, 1);
        line->addWidget(save);
        fileRows_->addWidget(row);
    }
    files_->setVisible(!model.attachments.empty());
}

void ContactDetailView::clear() {
    for (std::size_t i = 0; i < kItemPlaces.size(); ++i) setBoxText(i, QString());
    more_->clear();
    clearFiles();
    emit photoChanged(QPixmap());
}

QString ContactDetailView::boxText(notes::ContactItem item) const {
    const auto index = static_cast<std::size_t>(item);
    if (lines_[index]) return lines_[index]->text();
    if (pages_[index]) return pages_[index]->toPlainText();
    return {};
}

QWidget* ContactDetailView::box(notes::ContactItem item) const {
    const auto index = static_cast<std::size_t>(item);
    if (lines_[index]) return lines_[index];
    return pages_[index];
}

} // namespace brenmoor::viewer
