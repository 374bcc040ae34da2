// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card dialog "Micro SD Card": mounts the meter's card while it is
// built, shows the file system, the space figures with a pie and the root
// directory, and deletes a file, copies one to a file the user names, or
// copies one into the working folder for the main window to load.
//
// The dialog owns the FAT32 volume it works on, over the sector source it
// is given (the meter's card over USB in the program).
#include "sdcard/card_view.h"
#include "sdcard/fat32.h"
#include "sdcard/card_context.h"

#include <QDialog>
#include <memory>
#include <optional>

class CardPie;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;

class TForm_sd : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog with the context's owner as parent and loads the
    // card.
    TForm_sd(const sdcard::CardCommandContext& context, Fat32::SectorDevice& device);
    ~TForm_sd() override;

    // Handlers.
    void ListView1Click();
    void Button2Click();  // delete the selected file
    void Button3Click();  // copy the selected file to a file the user names
    void Button6Click();  // copy it into the working folder, for the main window
    void Button7Click();  // close

    // The row of the list and of the volume's EntryTable last clicked;
    // moved only by a click in the list.
    int SelectedIndex = 0;
    // The row the file operations act on: the one whose box is ticked when
    // exactly one is, else SelectedIndex; nothing (after a message) when
    // several boxes are ticked.
    std::optional<int> RowToActOn();

    // The working-folder copy "Open Select File" made whole, for the
    // command to load once the dialog has closed; empty when there is none.
    const QString& FileToOpen() const { return fileToOpen_; }

    const Fat32::Volume& CardVolume() const { return *volume_; }
    const CardView::SpaceFigures& Figures() const { return figures_; }

    static constexpr int ClientWidth = 747;
    static constexpr int ClientHeight = 439;

    // Messages of the dialog.
    static constexpr const char* RootDeleteMessage = "You can not delete the root directory!";
    static constexpr const char* DirectoryDeleteMessage =
        "You can not delete a directory! Only files can be deleted here.";
    static constexpr const char* ConfirmDeleteMessage = "Sure you want to delete this file?";
    static constexpr const char* StopRecordingMessage = "Record data, please stop recording!";
    // Upload and open copy files only: nothing is written for the root row
    // or for a directory.
    static constexpr const char* RootCopyMessage = "You can not copy the root directory! Only files can be copied here.";
    static constexpr const char* DirectoryCopyMessage = "You can not copy a directory! Only files can be copied here.";
    static constexpr const char* TickOneMessage = "Several files are ticked: tick only the one file to work on.";
    // %1 bytes copied, %2 the file's size, %3 its name.
    static constexpr const char* CopyIncompleteMessage =
        "Only %1 of the %2 bytes of %3 could be read from the card. The file was not saved.";

    // Controls.
    QGroupBox* GroupBox1;  // file list
    QTreeWidget* ListView1;
    QLabel* Label_ListingNote;  // shown when the listing stopped short of the card's end
    QGroupBox* GroupBox2;  // information
    QLabel* Label_FATTYPE;
    QFrame* Shape1;
    QLabel* Label_UsedSpaceBity;
    QLabel* Label_UsedSpaceMB;
    QFrame* Shape2;
    QLabel* Label_FreeSpaceBity;
    QLabel* Label_FreeSpaceMB;
    QLabel* Label_ALLSpaceBity;
    QLabel* Label_ALLSpaceMB;
    CardPie* Chart1;
    QGroupBox* GroupBox3;  // file operations
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button6;
    QPushButton* Button7;

private:
    void BuildFileList();
    void BuildInformation();
    void BuildOperations();
    void LoadCard();
    void AddRow(int row);
    void ShowListingNote(const QString& note);
    // Copies the entry of `row` to path, replacing a file there only with
    // the whole copy; false, after a message, when the card could not give
    // every byte or the file can't be written.
    bool CopyEntryTo(int row, const QString& path);
    bool HasEntry(int row) const;
    // The row a copy acts on, when it holds a file (a message says why not).
    std::optional<int> FileRowToCopy();

    QString startFolder_;
    bool recording_ = false;
    QString fileToOpen_;
    std::unique_ptr<Fat32::Volume> volume_;
    CardView::SpaceFigures figures_;
};
