// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/F_sdcard.h"

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "sdcard/Await.h"
#include "sdcard/card_pie.h"

#include <QSaveFile>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace {

constexpr int IconSize = 12;

// A sheet of paper with its corner folded, for a file.
QIcon FileIcon() {
    QPixmap picture(IconSize, IconSize);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    const QPolygon sheet({QPoint(2, 0), QPoint(7, 0), QPoint(10, 3), QPoint(10, 11), QPoint(2, 11)});
    p.setPen(QColor(96, 96, 96));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.drawPolyline(QPolygon({QPoint(7, 0), QPoint(7, 3), QPoint(10, 3)}));
    p.setPen(QColor(0, 0, 255));
    for (int y = 5; y <= 9; y += 2) p.drawLine(4, y, 8, y);
    return QIcon(picture);
}

// A folder, for a directory (which the dialog lists but doesn't delete).
QIcon FolderIcon() {
    QPixmap picture(IconSize, IconSize);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setPen(QColor(128, 96, 0));
    p.setBrush(QColor(255, 208, 64));
    p.drawPolygon(QPolygon({QPoint(0, 2), QPoint(4, 2), QPoint(5, 3), QPoint(11, 3), QPoint(11, 10), QPoint(0, 10)}));
    return QIcon(picture);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, Qt::Alignment align = Qt::AlignLeft) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, 16);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

QLabel* MakeFigure(QWidget* parent, const char* name, int x, int y, int w) {
    QLabel* label = MakeLabel(parent, QStringLiteral("0"), x, y, w, Qt::AlignRight);
    label->setObjectName(QLatin1String(name));
    return label;
}

QFrame* MakeSquare(QWidget* parent, const char* name, const QColor& colour, int x, int y) {
    auto* square = new QFrame(parent);
    square->setObjectName(QLatin1String(name));
    square->setGeometry(x, y, 11, 11);
    square->setFrameShape(QFrame::Box);
    square->setAutoFillBackground(true);
    QPalette palette = square->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, Qt::black);
    square->setPalette(palette);
    return square;
}

QFrame* MakeRule(QWidget* parent, int y) {
    auto* rule = new QFrame(parent);
    rule->setGeometry(8, y, 273, 2);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

}  // namespace

TForm_sd::TForm_sd(const sdcard::CardCommandContext& context, Fat32::SectorDevice& device)
    : QDialog(context.owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      startFolder_(context.startFolder),
      recording_(context.recording),
      volume_(std::make_unique<Fat32::Volume>(device)) {
    setObjectName(QStringLiteral("Form_sd"));
    setWindowTitle(QStringLiteral("Micro SD Card"));
    setFixedSize(ClientWidth, ClientHeight);
    // The main window shows the hourglass while the dialog is open; the
    // dialog itself keeps the normal cursor.
    setCursor(Qt::ArrowCursor);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    BuildFileList();
    BuildInformation();
    BuildOperations();
    Button7 = new QPushButton(QStringLiteral("Close"), this);
    Button7->setObjectName(QStringLiteral("Button7"));
    Button7->setGeometry(665, 404, 75, 27);
    connect(Button7, &QPushButton::clicked, this, &TForm_sd::Button7Click);

    if (context.owner) {
        QRect frame(QPoint(), size());
        frame.moveCenter(context.owner->geometry().center());
        move(frame.topLeft());
    }

    LoadCard();
}

TForm_sd::~TForm_sd() = default;

void TForm_sd::BuildFileList() {
    GroupBox1 = new QGroupBox(QStringLiteral(" Instrument SD card file list "), this);
    GroupBox1->setGeometry(7, 7, 433, 425);
    ListView1 = new QTreeWidget(GroupBox1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(8, 20, 417, 397);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setIconSize(QSize(IconSize, IconSize));
    ListView1->setColumnCount(4);
    ListView1->setHeaderLabels({QStringLiteral("        File Name"), QStringLiteral("Size"), QStringLiteral("Data"),
                                QStringLiteral("Time")});
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    ListView1->setColumnWidth(0, 155);
    for (int column = 1; column <= 3; ++column) {
        ListView1->setColumnWidth(column, 80);
        ListView1->headerItem()->setTextAlignment(column, Qt::AlignCenter);
    }
    // Said under the list when the card holds more entries than it shows.
    Label_ListingNote = new QLabel(GroupBox1);
    Label_ListingNote->setObjectName(QStringLiteral("Label_ListingNote"));
    Label_ListingNote->setGeometry(8, 401, 417, 16);
    Label_ListingNote->setStyleSheet(QStringLiteral("color: #a00000;"));
    Label_ListingNote->hide();
    // A click, and only a click, moves SelectedIndex.
    connect(ListView1, &QTreeWidget::itemClicked, this, [this] { ListView1Click(); });
}

void TForm_sd::BuildInformation() {
    GroupBox2 = new QGroupBox(QStringLiteral(" SD card information  "), this);
    GroupBox2->setGeometry(451, 7, 289, 233);
    QWidget* g = GroupBox2;
    MakeLabel(g, QStringLiteral("Type :"), 12, 22, 84);
    MakeLabel(g, QStringLiteral("Micro SD Card"), 100, 22, 150);
    MakeLabel(g, QStringLiteral("File system :"), 12, 42, 84);
    Label_FATTYPE = MakeLabel(g, QString(), 100, 42, 150);
    Label_FATTYPE->setObjectName(QStringLiteral("Label_FATTYPE"));
    MakeRule(g, 64);

    struct Row {
        int y;
        const char* caption;
        QLabel*& bytes;
        const char* bytesName;
        QLabel*& megabytes;
        const char* megabytesName;
    };
    const Row rows[] = {
        {74, "Space available:", Label_UsedSpaceBity, "Label_UsedSpaceBity", Label_UsedSpaceMB, "Label_UsedSpaceMB"},
        {96, "Free space :", Label_FreeSpaceBity, "Label_FreeSpaceBity", Label_FreeSpaceMB, "Label_FreeSpaceMB"},
        {128, "Capacity :", Label_ALLSpaceBity, "Label_ALLSpaceBity", Label_ALLSpaceMB, "Label_ALLSpaceMB"},
    };
    for (const Row& row : rows) {
        MakeLabel(g, QLatin1String(row.caption), 26, row.y, 88);
        row.bytes = MakeFigure(g, row.bytesName, 112, row.y, 74);
        MakeLabel(g, QStringLiteral("Byte"), 189, row.y, 26);
        row.megabytes = MakeFigure(g, row.megabytesName, 214, row.y, 48);
        MakeLabel(g, QStringLiteral("MB"), 264, row.y, 20);
    }
    Shape1 = MakeSquare(g, "Shape1", QColor(0, 0, 255), 11, 77);
    Shape2 = MakeSquare(g, "Shape2", QColor(255, 0, 255), 11, 99);
    MakeRule(g, 118);

    Chart1 = new CardPie(g);
    Chart1->setGeometry(68, 152, 153, 73);
}

void TForm_sd::BuildOperations() {
    GroupBox3 = new QGroupBox(QStringLiteral(" File operations "), this);
    GroupBox3->setGeometry(451, 249, 289, 145);
    Button2 = new QPushButton(QStringLiteral("Delete selected file"), GroupBox3);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(12, 28, 128, 40);
    Button3 = new QPushButton(QStringLiteral("Upload Select File"), GroupBox3);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(149, 28, 128, 40);
    Button6 = new QPushButton(QStringLiteral("Open Select File"), GroupBox3);
    Button6->setObjectName(QStringLiteral("Button6"));
    Button6->setGeometry(12, 84, 265, 44);
    connect(Button2, &QPushButton::clicked, this, &TForm_sd::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm_sd::Button3Click);
    connect(Button6, &QPushButton::clicked, this, &TForm_sd::Button6Click);
}

void TForm_sd::LoadCard() {
    WaitWindow wait(startFolder_, this);
    volume_->MessageOwner = this;
    // A card without a usable file system shows no figures and no files:
    // nothing is read with the geometry of an earlier card.
    const bool mounted = volume_->MountVolume() == 0;
    Label_FATTYPE->setText(mounted ? QStringLiteral(" FAT32 ") : QString());
    figures_ = mounted ? CardView::FiguresOf(volume_->CapacityBytes, volume_->FreeBytes) : CardView::SpaceFigures{};

    Label_FreeSpaceBity->setText(CardView::ByteText(figures_.free));
    Label_FreeSpaceMB->setText(CardView::MegabyteText(figures_.free));
    Label_UsedSpaceBity->setText(CardView::ByteText(figures_.used));
    Label_UsedSpaceMB->setText(CardView::MegabyteText(figures_.used));
    Label_ALLSpaceBity->setText(CardView::ByteText(figures_.capacity));
    Label_ALLSpaceMB->setText(CardView::MegabyteText(figures_.capacity));

    // Each slice in the colour of the square beside its figure: used blue,
    // free fuchsia.
    Chart1->Clear();
    if (const std::optional<CardView::PieShares> shares = CardView::PieSharesOf(figures_)) {
        Chart1->AddSlice(shares->used, Shape1->palette().color(QPalette::Window));
        Chart1->AddSlice(shares->free, Shape2->palette().color(QPalette::Window));
    }

    if (mounted) volume_->ScanRootDirectory(Fat32::ScanList, nullptr);
    for (int row = 0; row < volume_->EntryCount; ++row) AddRow(row);
    ShowListingNote(CardView::TruncatedListingNote(mounted && volume_->ListingTruncated, volume_->EntryCount));
    SelectedIndex = 0;
}

void TForm_sd::AddRow(int row) {
    const Fat32::DirectoryEntry& entry = volume_->EntryTable[std::size_t(row)];
    const CardView::RowTexts texts = CardView::RowTextsOf(entry, row);
    auto* item = new QTreeWidgetItem(ListView1);
    item->setText(0, texts.caption);
    item->setIcon(0, row > 0 && CardView::IsDirectory(entry) ? FolderIcon() : FileIcon());
    item->setCheckState(0, Qt::Unchecked);
    item->setText(1, texts.size);
    item->setText(2, texts.date);
    item->setText(3, texts.time);
    for (int column = 1; column <= 3; ++column) item->setTextAlignment(column, Qt::AlignCenter);
}

void TForm_sd::ShowListingNote(const QString& note) {
    // The list gives up its last line to the note.
    Label_ListingNote->setText(note);
    Label_ListingNote->setVisible(!note.isEmpty());
    ListView1->setGeometry(8, 20, 417, note.isEmpty() ? 397 : 379);
}

bool TForm_sd::HasEntry(int row) const { return row >= 0 && row < volume_->EntryCount; }

void TForm_sd::ListView1Click() {
    if (ListView1->topLevelItemCount() == 0) return;
    int first = -1;
    for (QTreeWidgetItem* item : ListView1->selectedItems()) {
        const int index = ListView1->indexOfTopLevelItem(item);
        if (index >= 0 && (first < 0 || index < first)) first = index;
    }
    if (first >= 0) SelectedIndex = first;
}

std::optional<int> TForm_sd::RowToActOn() {
    // A ticked box says which file is meant more plainly than the highlight,
    // which stays where the user last clicked (the root row at first).
    std::vector<int> ticked;
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row)
        if (ListView1->topLevelItem(row)->checkState(0) == Qt::Checked) ticked.push_back(row);
    if (ticked.size() > 1) {
        platform::ShowBox(this, QString(), QLatin1String(TickOneMessage), platform::MessageIcon::Warning,
                          platform::Cancel);
        return std::nullopt;
    }
    return ticked.empty() ? SelectedIndex : ticked.front();
}

std::optional<int> TForm_sd::FileRowToCopy() {
    const std::optional<int> row = RowToActOn();
    if (!row || !HasEntry(*row)) return std::nullopt;
    const Fat32::DirectoryEntry& entry = volume_->EntryTable[std::size_t(*row)];
    const char* refusal = nullptr;
    if (*row == 0 || CardView::IsVolumeLabel(entry))
        refusal = RootCopyMessage;
    else if (CardView::IsDirectory(entry))
        refusal = DirectoryCopyMessage;
    if (refusal) {
        platform::ShowBox(this, QString(), QLatin1String(refusal), platform::MessageIcon::Warning, platform::Cancel);
        return std::nullopt;
    }
    return row;
}

void TForm_sd::Button2Click() {
    const std::optional<int> row = RowToActOn();
    if (!row) return;
    const int index = *row;
    if (index == 0) {
        platform::ShowBox(this, QString(), QLatin1String(RootDeleteMessage), platform::MessageIcon::Warning, platform::Cancel);
        return;
    }
    if (!HasEntry(index)) return;
    const Fat32::DirectoryEntry entry = volume_->EntryTable[std::size_t(index)];
    if (CardView::IsDirectory(entry)) {
        platform::ShowBox(this, QString(), QLatin1String(DirectoryDeleteMessage), platform::MessageIcon::Warning,
                         platform::Cancel);
        return;
    }
    if (platform::ShowBox(this, QString(), QLatin1String(ConfirmDeleteMessage), platform::MessageIcon::Warning,
                          platform::Yes | platform::No) != platform::Yes)
        return;

    const int rows = volume_->EntryCount;
    bool deleted = false;
    {
        WaitWindow wait(startFolder_, this);
        deleted = volume_->DeleteCardFile(entry.data());
        // The scan starts EntryCount afresh; the listing's rows are still there.
        volume_->EntryCount = rows;
    }
    // The list and EntryTable lose exactly the deleted entry, so every row
    // still names the entry it shows; a file the delete could not remove
    // (or that was already gone) stays listed as it was.
    if (deleted) {
        auto& table = volume_->EntryTable;
        std::move(table.begin() + index + 1, table.begin() + rows, table.begin() + index);
        volume_->EntryCount = rows - 1;
        delete ListView1->takeTopLevelItem(index);
    }
    // Nothing stays chosen: the next operation acts on a row the user
    // clicks anew.
    ListView1->clearSelection();
    SelectedIndex = 0;
}

bool TForm_sd::CopyEntryTo(int row, const QString& path) {
    const Fat32::DirectoryEntry& entry = volume_->EntryTable[std::size_t(row)];
    const CardView::EntryNames names = CardView::NamesOf(entry);
    const int rows = volume_->EntryCount;
    // The copy goes to a temporary file beside the target, which replaces
    // the target only once the whole file has arrived: a failed copy leaves
    // nothing new behind and an older file of that name as it was.
    QSaveFile file(path);
    int result = Fat32::CopyNoDestination;
    if (file.open(QIODevice::WriteOnly)) {
        volume_->Destination = &file;
        volume_->WritePosition = 0;
        Fat32::ShortNameKey key = names.key;
        result = volume_->CopyCardFile(key);
        volume_->Destination = nullptr;
        if (result == Fat32::CopyDone && !file.commit()) result = Fat32::CopyNoDestination;
    }
    if (result != Fat32::CopyDone) file.cancelWriting();
    volume_->EntryCount = rows;
    if (result == Fat32::CopyNoDestination) {
        platform::ShowBox(this, QStringLiteral("Information"), QStringLiteral("The file %1 can not be written.").arg(path),
                          platform::MessageIcon::Error);
    } else if (result == Fat32::CopyIncomplete) {
        const std::uint32_t size = CardView::EntrySize(entry);
        platform::ShowBox(this, QStringLiteral("Information"),
                          QString::fromLatin1(CopyIncompleteMessage)
                              .arg(volume_->CopiedBytes)
                              .arg(size)
                              .arg(CardView::SafeNamePart(names.base).trimmed() + QLatin1Char('.') +
                                   CardView::SafeNamePart(names.extension).trimmed()),
                          platform::MessageIcon::Error);
    }
    return result == Fat32::CopyDone;
}

void TForm_sd::Button3Click() {
    const std::optional<int> row = FileRowToCopy();
    if (!row) return;
    const CardView::EntryNames names = CardView::NamesOf(volume_->EntryTable[std::size_t(*row)]);
    const QString extension = CardView::LocalExtension(names);
    platform::FileDialogRequest request;
    request.save = true;
    request.proposedName = CardView::LocalBaseName(names);
    const QString pattern = extension.trimmed().isEmpty() ? QStringLiteral("*") : QStringLiteral("*.") + extension.trimmed();
    request.filter = extension + QLatin1Char('|') + pattern;
    request.filterIndex = 1;
    request.owner = this;
    const platform::FileDialogAnswer answer = platform::AskForFile(request);
    if (!answer.accepted) return;

    WaitWindow wait(startFolder_, this);
    CopyEntryTo(*row, CardView::WithLocalExtension(answer.path, names));
}

void TForm_sd::Button6Click() {
    // Loading a file ends the hold of a running recording on its file.
    if (recording_) {
        platform::ShowBox(this, QStringLiteral("Information"), QLatin1String(StopRecordingMessage),
                          platform::MessageIcon::Warning, platform::Cancel);
        return;
    }
    const std::optional<int> row = FileRowToCopy();
    if (!row) return;
    const CardView::EntryNames names = CardView::NamesOf(volume_->EntryTable[std::size_t(*row)]);
    const QString path = startFolder_ + QLatin1Char('/') + CardView::LocalCopyName(names);
    bool copied = false;
    {
        WaitWindow wait(startFolder_, this);
        copied = CopyEntryTo(*row, path);
    }
    // Only a whole copy is handed on: after a copy cut short by the card,
    // or one that couldn't be written, an older file of the same name
    // would be loaded in its place.
    if (copied) fileToOpen_ = path;
    accept();
}

void TForm_sd::Button7Click() { close(); }
