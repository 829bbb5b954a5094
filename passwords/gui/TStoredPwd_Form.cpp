// SPDX-License-Identifier: GPL-3.0-or-later
#include "TStoredPwd_Form.h"

#include "PasswordDialogs.h"
#include "QtPaths.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kNameRole = Qt::UserRole;

} // namespace

TStoredPwd_Form::TStoredPwd_Form(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TStoredPwd_Form"));
    setWindowTitle(QStringLiteral("Stored passwords"));
    setModal(true);

    Heading_Label = new QLabel(
        QStringLiteral("The password database holds the passwords of these files. The passwords are not shown."), this);
    Heading_Label->setWordWrap(true);
    Database_Label = new QLabel(this);
    Database_Label->setObjectName(QStringLiteral("Database_Label"));
    Database_Label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Names_ListView = new QTreeWidget(this);
    Names_ListView->setObjectName(QStringLiteral("Names_ListView"));
    Names_ListView->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Encrypted file")});
    Names_ListView->setRootIsDecorated(false);
    Names_ListView->setUniformRowHeights(true);
    Names_ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Names_ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    Names_ListView->setAllColumnsShowFocus(true);
    Names_ListView->header()->setStretchLastSection(false);
    Names_ListView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Names_ListView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Names_ListView->setMinimumSize(520, 220);

    Count_Label = new QLabel(this);
    Count_Label->setObjectName(QStringLiteral("Count_Label"));

    Remove_Button = DialogButton("Remove_Button", "&Remove", false, this);
    RemoveMissing_Button = DialogButton("RemoveMissing_Button", "Remove entries of &missing files", false, this);
    // Enter closes, as Esc does: nothing is removed by a key pressed out of habit.
    Close_Button = DialogButton("Close_Button", "Close", true, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Heading_Label);
    layout->addWidget(Database_Label);
    layout->addWidget(Names_ListView, 1);
    layout->addWidget(Count_Label);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Remove_Button);
    buttons->addWidget(RemoveMissing_Button);
    buttons->addStretch(1);
    buttons->addWidget(Close_Button);
    layout->addLayout(buttons);
    TabInOrder({Names_ListView, Remove_Button, RemoveMissing_Button, Close_Button});

    connect(Remove_Button, &QPushButton::clicked, this, &TStoredPwd_Form::Remove_ButtonClick);
    connect(RemoveMissing_Button, &QPushButton::clicked, this, &TStoredPwd_Form::RemoveMissing_ButtonClick);
    connect(Close_Button, &QPushButton::clicked, this, &QDialog::accept);
    connect(Names_ListView, &QTreeWidget::itemSelectionChanged, this, &TStoredPwd_Form::UpdateButtons);
    auto* remove = new QShortcut(QKeySequence::Delete, Names_ListView);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &TStoredPwd_Form::Remove_ButtonClick);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (ShowHelp) ShowHelp(kHelpContext);
    });
    UpdateButtons();
}

QString TStoredPwd_Form::ShownName(const std::string& name)
{
    const auto* p = reinterpret_cast<const unsigned char*>(name.data());
    QString text;
    std::size_t i = 0;
    while (i < name.size()) {
        const int n = qtpaths_detail::Utf8SequenceLength(p + i, name.size() - i);
        if (n == 0) {
            text += QStringLiteral("\\x") + QString::number(p[i], 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        } else {
            text += QString::fromUtf8(name.data() + i, n);
            i += static_cast<std::size_t>(n);
        }
    }
    return text;
}

QString TStoredPwd_Form::StateText(ContainerState state)
{
    switch (state) {
    case ContainerState::Present:
        return QStringLiteral("present");
    case ContainerState::Missing:
        return QStringLiteral("missing");
    case ContainerState::Unknown:
        break;
    }
    return QStringLiteral("cannot be checked");
}

void TStoredPwd_Form::ShowNames(const std::vector<StoredName>& names, const QString& database, bool keepPlace)
{
    const QModelIndex was = Names_ListView->currentIndex();
    const int current = keepPlace && was.isValid() ? was.row() : 0;
    Database_Label->setText(QStringLiteral("Key file: ") + database);
    Names_ListView->clear();
    missing_ = 0;
    QList<QTreeWidgetItem*> items;
    for (const StoredName& stored : names) {
        auto* item = new QTreeWidgetItem({ShownName(stored.Name), StateText(stored.Container)});
        item->setData(0, kNameRole, QByteArray::fromStdString(stored.Name));
        item->setToolTip(0, item->text(0));
        items.append(item);
        if (stored.Container == ContainerState::Missing) ++missing_;
    }
    Names_ListView->addTopLevelItems(items);
    if (!items.isEmpty()) {
        const int row = std::min(current, static_cast<int>(items.size()) - 1);
        Names_ListView->setCurrentItem(items.at(row));
    }
    const int count = static_cast<int>(names.size());
    if (count == 0)
        Count_Label->setText(QStringLiteral("No password is stored."));
    else
        Count_Label->setText(QStringLiteral("%1 file%2, %3 of them missing.")
                                 .arg(count)
                                 .arg(count == 1 ? QString() : QStringLiteral("s"))
                                 .arg(missing_));
    UpdateButtons();
    Names_ListView->setFocus();
}

std::vector<std::string> TStoredPwd_Form::SelectedNames() const
{
    std::vector<std::string> names;
    for (int row = 0; row < Names_ListView->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = Names_ListView->topLevelItem(row);
        if (item->isSelected()) names.push_back(item->data(0, kNameRole).toByteArray().toStdString());
    }
    return names;
}

void TStoredPwd_Form::UpdateButtons()
{
    Remove_Button->setEnabled(!Names_ListView->selectedItems().isEmpty());
    RemoveMissing_Button->setEnabled(missing_ > 0);
}

void TStoredPwd_Form::Remove_ButtonClick()
{
    const std::vector<std::string> names = SelectedNames();
    if (names.empty() || !RemoveNames) return;
    RemoveNames(names);
}

void TStoredPwd_Form::RemoveMissing_ButtonClick()
{
    if (missing_ == 0 || !RemoveMissing) return;
    RemoveMissing();
}
