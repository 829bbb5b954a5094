// SPDX-License-Identifier: GPL-3.0-or-later
// "Stored passwords": the files whose passwords the password database holds, with whether each one's
// encrypted file is still there, and the buttons that remove entries. It never shows a password. The
// window does the work behind the buttons and then shows the database anew.
#pragma once

#include "TKV_PwdTable.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

class TStoredPwd_Form : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpContext = 90;

    explicit TStoredPwd_Form(QWidget* parent = nullptr);

    // "Remove" (and the Delete key in the list) with the selected rows' names, as stored.
    std::function<void(const std::vector<std::string>&)> RemoveNames;
    // "Remove entries of missing files".
    std::function<void()> RemoveMissing;
    std::function<void(int)> ShowHelp;

    // Shows `names` in their order, from the database at `database`, the first row current. With
    // `keepPlace` the row that was current stays current by its place, so that after a removal the
    // next entry is there to go on with.
    void ShowNames(const std::vector<StoredName>& names, const QString& database, bool keepPlace = false);
    // The names of the selected rows, as stored, in the list's order.
    std::vector<std::string> SelectedNames() const;
    // Rows whose encrypted file is missing.
    int MissingCount() const { return missing_; }

    // A stored name as the list shows it: a byte that is not UTF-8 as "\xE9".
    static QString ShownName(const std::string& name);
    static QString StateText(ContainerState state);

    QLabel* Heading_Label = nullptr;
    QLabel* Database_Label = nullptr;
    QTreeWidget* Names_ListView = nullptr;
    QLabel* Count_Label = nullptr;
    QPushButton* Remove_Button = nullptr;
    QPushButton* RemoveMissing_Button = nullptr;
    QPushButton* Close_Button = nullptr;

private:
    void Remove_ButtonClick();
    void RemoveMissing_ButtonClick();
    void UpdateButtons();

    int missing_ = 0;
};
