// SPDX-License-Identifier: GPL-3.0-or-later
// The two file lists: what a directory gives each list, the detail columns, moving and removing
// entries, the order (the comparison alone and by header clicks), view styles and drag and drop.
#include "FileLists.h"
#include "Forms.h"
#include "ListTestSupport.h"
#include "StatusBar.h"
#include "TDelDialog.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"

#include <QAction>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QMimeData>
#include <QMimeDatabase>
#include <QTimeZone>
#include <QtTest/QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

Q_DECLARE_METATYPE(TKV_FileItem)

namespace {

TKV_FileItem Entry(const QString& caption, qint64 size = 0, qint64 time = 0, const QString& kind = QString())
{
    TKV_FileItem item;
    item.Caption = caption;
    item.HasDetails = true;
    item.Size = size;
    item.Time = time;
    item.SizeText = QString::number(size);
    item.Attributes = QStringLiteral("----");
    item.Kind = kind;
    return item;
}

int SignOf(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

const TKV_FileItem* ItemCaptioned(const TKV_FileListModel* model, const QString& caption)
{
    const int row = model->Find(caption);
    return row < 0 ? nullptr : &model->Item(row);
}

void ClickHeader(TKV_ListView* list, int column)
{
    QHeaderView* header = list->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class ListsTest : public QObject
{
    Q_OBJECT

private slots:
    // ---- The comparison, without a window

    void comparison_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<TKV_FileItem>("x");
        QTest::addColumn<TKV_FileItem>("y");
        QTest::addColumn<int>("sign");
        const TKV_FileItem a = Entry(QStringLiteral("apple.txt"), 300, 2000, QStringLiteral("plain text"));
        const TKV_FileItem b = Entry(QStringLiteral("Banana.txt"), 20, 1000, QStringLiteral("PDF document"));
        QTest::newRow("name, letters folded") << 0 << false << true << a << b << -1;
        QTest::newRow("name descending") << 0 << true << true << a << b << 1;
        QTest::newRow("name equal but case") << 0 << false << true << a << Entry(QStringLiteral("APPLE.TXT")) << 0;
        // Only a to z fold: "_" (0x5F) lies between the capitals and the small letters.
        QTest::newRow("underscore after letters")
            << 0 << false << true << Entry(QStringLiteral("_x")) << Entry(QStringLiteral("a")) << 1;
        QTest::newRow("bytes beyond ASCII last")
            << 0 << false << true << Entry(QStringLiteral("\u00e9")) << Entry(QStringLiteral("z")) << 1;
        QTest::newRow("prefix first") << 0 << false << true << Entry(QStringLiteral("ab"))
                                      << Entry(QStringLiteral("abc")) << -1;
        QTest::newRow("size") << 1 << false << true << a << b << 1;
        QTest::newRow("size descending") << 1 << true << true << a << b << -1;
        // Far beyond 32 bits: the difference keeps its sign.
        QTest::newRow("huge sizes") << 1 << false << true << Entry(QStringLiteral("x"), 0x7fffffffffffLL)
                                    << Entry(QStringLiteral("y"), -1) << 1;
        QTest::newRow("date") << 2 << false << true << a << b << 1;
        QTest::newRow("same date") << 2 << false << true << a << Entry(QStringLiteral("z"), 1, 2000) << 0;
        QTest::newRow("attributes as text") << 3 << false << true << a << b << 0;
        QTest::newRow("type as text") << 4 << false << true << a << b << 1;
        QTest::newRow("no details: name still sorts") << 0 << false << false << a << b << -1;
        QTest::newRow("no details: size gives 1") << 1 << false << false << b << a << 1;
        QTest::newRow("no details: 1 also descending") << 2 << true << false << a << b << 1;
        TKV_FileItem bare = Entry(QStringLiteral("bare"));
        bare.HasDetails = false;
        QTest::newRow("entry without details first") << 1 << false << true << bare << b << -1;
    }

    void comparison()
    {
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(bool, complete);
        QFETCH(TKV_FileItem, x);
        QFETCH(TKV_FileItem, y);
        QFETCH(int, sign);
        QCOMPARE(SignOf(CompareFileItems(x, y, column, descending, complete)), sign);
    }

    void columnTexts()
    {
        QCOMPARE(SizeText(1048576), QStringLiteral("1048576"));
        QCOMPARE(AttributeText(u".profile", true), QStringLiteral("-HR-"));
        QCOMPARE(AttributeText(u"a.txt", false), QStringLiteral("----"));
        // The stored time as it is, not moved into the local time zone.
        const qint64 time = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC).toSecsSinceEpoch();
        const QLocale locale(QLocale::German, QLocale::Germany);
        QCOMPARE(DateText(time, locale),
                 locale.toString(QDate(2024, 2, 29), QLocale::ShortFormat) + QStringLiteral(" 23:59:58"));
    }

    void namesOfEncryptedFiles()
    {
        QVERIFY(IsCryName(u"b.CRY"));
        QVERIFY(!IsCryName(u"b.cry.txt"));
        QVERIFY(!IsCryName(u"cry"));
        QCOMPARE(CryptedCaption(QStringLiteral("c.cry"), false), QStringLiteral("c"));
        QCOMPARE(CryptedCaption(QStringLiteral("c.cry"), true), QStringLiteral("c.cry"));
        QCOMPARE(FileOfCaption(QStringLiteral("c"), true, false), QStringLiteral("c.cry"));
        QCOMPARE(FileOfCaption(QStringLiteral("c.cry"), true, true), QStringLiteral("c.cry"));
        QCOMPARE(FileOfCaption(QStringLiteral("a.txt"), false, false), QStringLiteral("a.txt"));
        QCOMPARE(CaptionAfterEncryption(QStringLiteral("a.txt"), true), QStringLiteral("a.txt.cry"));
        QCOMPARE(CaptionAfterEncryption(QStringLiteral("a.txt"), false), QStringLiteral("a.txt"));
        QCOMPARE(CaptionAfterDecryption(QStringLiteral("a.txt.cry"), true), QStringLiteral("a.txt"));
        QCOMPARE(CaptionAfterDecryption(QStringLiteral("a.txt"), false), QStringLiteral("a.txt"));
    }

    // ---- Reading the lists

    void listsOfADirectory_data()
    {
        QTest::addColumn<bool>("showCry");
        QTest::addColumn<QStringList>("crypted");
        QTest::newRow("ShowCry off") << false << QStringList({QStringLiteral("b"), QStringLiteral("c")});
        QTest::newRow("ShowCry on") << true << QStringList({QStringLiteral("b.CRY"), QStringLiteral("c.cry")});
    }

    void listsOfADirectory()
    {
        QFETCH(bool, showCry);
        QFETCH(QStringList, crypted);
        TKV_ListFixture fx;
        QVERIFY(fx.Scratch.IsValid());
        fx.Scratch.Write(QStringLiteral("a.txt"), "plain");
        fx.Scratch.Write(QStringLiteral("c.cry"), "KV98");
        fx.Scratch.Write(QStringLiteral("b.CRY"), "KV9C");
        QVERIFY(QDir(fx.Scratch.Path()).mkdir(QStringLiteral("sub.cry")));
        TMainWin* window = fx.Open(showCry);
        QStringList shown;
        connect(window->StatusBar3, &TKV_StatusBar::PanelTextSet, window,
                [&shown](int, const QString& text) { shown.append(text); });
        window->ReadFLists();
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("a.txt")}));
        QCOMPARE(Captions(window->Crypted_Model), crypted);
        QVERIFY(shown.contains(QStringLiteral("Retrieving directory contents...")));
        QVERIFY(shown.indexOf(QStringLiteral("Retrieving directory contents...")) <
                shown.indexOf(QStringLiteral("Idle.")));
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle."));
        QVERIFY(window->PrgState->DetailsComplete);
        QVERIFY(window->Source_ListView->updatesEnabled());
        // The file behind "b" is b.CRY, not b.cry: letter case matters here.
        QCOMPARE(window->Crypted_Model->Item(0).Kind, QStringLiteral("3xDES"));
        QCOMPARE(window->Crypted_Model->Item(1).Kind, QStringLiteral("IDEA"));
        QCOMPARE(window->FileOfListItem(window->Crypted_ListView, crypted.front()), QStringLiteral("b.CRY"));
        QCOMPARE(window->FileOfListItem(window->Crypted_ListView, QStringLiteral("new")),
                 showCry ? QStringLiteral("new") : QStringLiteral("new.cry"));
    }

    void theFirstFocusOfTheTreeReadsTheLists()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "plain");
        TMainWin* window = fx.Open();
        QCOMPARE(window->Source_Model->Count(), 0);
        window->User_DirectoryListBoxEnter();
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("a.txt")}));
        QVERIFY(!window->PrgState->FirstEnter);
        fx.Scratch.Write(QStringLiteral("b.txt"), "plain");
        window->User_DirectoryListBoxEnter();
        QCOMPARE(window->Source_Model->Count(), 1);
    }

    void detailColumns()
    {
        TKV_ListFixture fx;
        const qint64 time = QDateTime(QDate(2001, 9, 8), QTime(7, 6, 5), Qt::UTC).toSecsSinceEpoch();
        fx.Scratch.Write(QStringLiteral("notes.txt"), "12345", time);
        TMainWin* window = fx.Open();
        window->ReadFLists();
        const TKV_FileListModel* model = window->Source_Model;
        QCOMPARE(model->Count(), 1);
        const QModelIndex row = model->index(0, 0);
        QCOMPARE(model->data(row.siblingAtColumn(0)).toString(), QStringLiteral("notes.txt"));
        QCOMPARE(model->data(row.siblingAtColumn(1)).toString(), QStringLiteral("5"));
        QCOMPARE(model->data(row.siblingAtColumn(2)).toString(),
                 QLocale().toString(QDate(2001, 9, 8), QLocale::ShortFormat) + QStringLiteral(" 07:06:05"));
        QCOMPARE(model->data(row.siblingAtColumn(3)).toString(), QStringLiteral("----"));
        const QString typeName =
            QMimeDatabase().mimeTypeForFile(QStringLiteral("notes.txt"), QMimeDatabase::MatchExtension).comment();
        QCOMPARE(model->data(row.siblingAtColumn(4)).toString(), typeName);
        QCOMPARE(model->data(row.siblingAtColumn(1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignRight | Qt::AlignVCenter);
        QVERIFY(model->Item(0).ImageIndex >= 0);
        QVERIFY(!model->data(row, Qt::DecorationRole).value<QIcon>().isNull());
    }

    void attributes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("attributes");
        QTest::newRow("plain") << QStringLiteral("plain.txt") << false << QStringLiteral("----");
        QTest::newRow("hidden") << QStringLiteral(".hidden") << false << QStringLiteral("-H--");
        QTest::newRow("read-only") << QStringLiteral("fixed.txt") << true << QStringLiteral("--R-");
        QTest::newRow("hidden and read-only") << QStringLiteral(".both") << true << QStringLiteral("-HR-");
    }

    void attributes()
    {
        QFETCH(QString, name);
        QFETCH(bool, readOnly);
        QFETCH(QString, attributes);
        TKV_ListFixture fx;
        const QString path = fx.Scratch.Write(name, "x");
        if (readOnly) QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        TMainWin* window = fx.Open();
        window->ReadFLists();
        QCOMPARE(Captions(window->Source_Model), QStringList({name}));
        QCOMPARE(window->Source_Model->Item(0).Attributes, attributes);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void methodTags_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("tag");
        QTest::newRow("KV97") << QByteArray("KV97\x10\0\0\0", 8) << QStringLiteral("DES");
        QTest::newRow("KV98") << QByteArray("KV98") << QStringLiteral("IDEA");
        QTest::newRow("KV9A") << QByteArray("KV9A") << QStringLiteral("DES");
        QTest::newRow("KV9B") << QByteArray("KV9B") << QStringLiteral("DES");
        QTest::newRow("KV9C") << QByteArray("KV9C") << QStringLiteral("3xDES");
        QTest::newRow("unknown method") << QByteArray("KV9Z") << QStringLiteral("-");
        QTest::newRow("two bytes") << QByteArray("KV") << QStringLiteral("-");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("-");
    }

    void methodTags()
    {
        QFETCH(QByteArray, head);
        QFETCH(QString, tag);
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("x.cry"), head);
        TMainWin* window = fx.Open();
        window->ReadFLists();
        QCOMPARE(Captions(window->Crypted_Model), QStringList({QStringLiteral("x")}));
        QCOMPARE(window->Crypted_Model->Item(0).Kind, tag);
        QCOMPARE(window->Crypted_Model->Item(0).SizeText, QString::number(head.size()));
    }

    void methodTagsOfRealContainers_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("tag");
        QTest::newRow("IDEA") << 1 << QStringLiteral("IDEA");
        QTest::newRow("DES") << 3 << QStringLiteral("DES");
        QTest::newRow("Triple DES") << 4 << QStringLiteral("3xDES");
    }

    void methodTagsOfRealContainers()
    {
        QFETCH(int, method);
        QFETCH(QString, tag);
        TKV_ListFixture fx;
        const QString plain = fx.Scratch.Write(QStringLiteral("letter.txt"), QByteArray(100, 'x'));
        TKV_Pwd pwd;
        pwd.SetPassword("secret");
        QCOMPARE(pwd.EncryptFile(QFile::encodeName(plain).toStdString(), method), 0);
        TMainWin* window = fx.Open(true);
        window->ReadFLists();
        const TKV_FileItem* item = ItemCaptioned(window->Crypted_Model, QStringLiteral("letter.txt.cry"));
        QVERIFY(item != nullptr);
        QCOMPARE(item->Kind, tag);
    }

    void anEntryThatIsNoRegularFileShowsWhatItIs()
    {
#ifndef Q_OS_UNIX
        QSKIP("needs symbolic links and FIFOs");
#else
        TKV_ListFixture fx;
        QVERIFY(QFile::link(fx.Scratch.FilePath(QStringLiteral("nowhere")),
                            fx.Scratch.FilePath(QStringLiteral("gone.txt"))));
        QVERIFY(::mkfifo(QFile::encodeName(fx.Scratch.FilePath(QStringLiteral("pipe.cry"))).constData(), 0600) == 0);
        TMainWin* window = fx.Open();
        // A FIFO is listed, never opened: opening it would wait for a writer.
        window->ReadFLists();
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("gone.txt")}));
        QCOMPARE(Captions(window->Crypted_Model), QStringList({QStringLiteral("pipe")}));
        for (const TKV_FileListModel* model : {window->Source_Model, window->Crypted_Model}) {
            QVERIFY(!model->Item(0).HasDetails);
            QVERIFY(model->Item(0).SizeText.isEmpty());
        }
        // Their type is what they are, not what their names suggest.
        const QMimeDatabase mimes;
        const QString link = mimes.mimeTypeForName(QStringLiteral("inode/symlink")).comment();
        const QString fifo = mimes.mimeTypeForName(QStringLiteral("inode/fifo")).comment();
        QVERIFY(!link.isEmpty() && !fifo.isEmpty() && link != fifo);
        QCOMPARE(window->Source_Model->Item(0).Kind, link);
        QCOMPARE(window->Crypted_Model->Item(0).Kind, fifo);
        QVERIFY(window->PrgState->DetailsComplete);
#endif
    }

    void encryptAllWithOnePasswordAddsBareEntries()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "plain");
        TMainWin* window = fx.Open();
        window->PrgState->Busy.Include(psDirectory);
        window->Pwd->OneForList = true;
        window->AddListItem(window->Source_ListView, QStringLiteral("a.txt"));
        QVERIFY(!window->PrgState->DetailsComplete);
        QVERIFY(!window->Source_Model->Item(0).HasDetails);
        QCOMPARE(window->Source_Model->Item(0).ImageIndex, -1);
        window->PrgState->Busy.Clear();
        window->AddListItem(window->Source_ListView, QStringLiteral("a.txt"));
        QVERIFY(window->PrgState->DetailsComplete);
        QVERIFY(window->Source_Model->Item(1).HasDetails);
    }

    // ---- Moving and removing entries

    void updateFLists_data()
    {
        QTest::addColumn<bool>("showCry");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sourceKept");
        QTest::addColumn<QStringList>("plain");
        QTest::addColumn<QStringList>("crypted");
        const QString a = QStringLiteral("a.txt");
        const QString acry = QStringLiteral("a.txt.cry");
        const QString z = QStringLiteral("z.txt");
        QTest::newRow("encrypted, ShowCry off")
            << false << 0 << a << false << QStringList({z}) << QStringList({a, QStringLiteral("m.txt")});
        QTest::newRow("encrypted, ShowCry on")
            << true << 0 << a << false << QStringList({z}) << QStringList({acry, QStringLiteral("m.txt.cry")});
        QTest::newRow("encrypted, wipe failed")
            << false << 0 << a << true << QStringList({a, z}) << QStringList({a, QStringLiteral("m.txt")});
        QTest::newRow("decrypted, ShowCry off") << false << 1 << QStringLiteral("m.txt") << false
                                                << QStringList({a, QStringLiteral("m.txt"), z}) << QStringList();
        QTest::newRow("decrypted, ShowCry on") << true << 1 << QStringLiteral("m.txt.cry") << false
                                               << QStringList({a, QStringLiteral("m.txt"), z}) << QStringList();
    }

    void updateFLists()
    {
        QFETCH(bool, showCry);
        QFETCH(int, direction);
        QFETCH(QString, name);
        QFETCH(bool, sourceKept);
        QFETCH(QStringList, plain);
        QFETCH(QStringList, crypted);
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "plain");
        fx.Scratch.Write(QStringLiteral("z.txt"), "plain");
        fx.Scratch.Write(QStringLiteral("m.txt.cry"), "KV98");
        TMainWin* window = fx.Open(showCry);
        window->ReadFLists();
        // The files as the work leaves them on disk.
        if (direction == 0) {
            fx.Scratch.Write(QStringLiteral("a.txt.cry"), "KV9C");
            if (!sourceKept) QFile::remove(fx.Scratch.FilePath(QStringLiteral("a.txt")));
        } else {
            fx.Scratch.Write(QStringLiteral("m.txt"), "plain");
            QFile::remove(fx.Scratch.FilePath(QStringLiteral("m.txt.cry")));
        }
        window->UpdateFLists(name, direction, sourceKept);
        QCOMPARE(Captions(window->Source_Model), plain);
        QCOMPARE(Captions(window->Crypted_Model), crypted);
        const TKV_FileListModel* target = direction == 0 ? window->Crypted_Model : window->Source_Model;
        const TKV_FileItem& added = target->Item(0);
        QVERIFY(added.HasDetails);
        if (direction == 0) QCOMPARE(added.Kind, QStringLiteral("3xDES"));
    }

    void deleteListItem()
    {
        TKV_ListFixture fx;
        for (const char* name : {"A.txt", "a.txt", "b.txt"})
            fx.Scratch.Write(QString::fromLatin1(name), "x");
        TMainWin* window = fx.Open();
        window->ReadFLists();
        // Names that differ in case are different files here: the exact one goes.
        window->DeleteListItem(window->Source_ListView, QStringLiteral("a.txt"));
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("A.txt"), QStringLiteral("b.txt")}));
        window->DeleteListItem(window->Source_ListView, QStringLiteral("B.TXT"));
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("A.txt")}));
        window->DeleteListItem(window->Source_ListView, QStringLiteral("none.txt"));
        window->DeleteListItem(window->Crypted_ListView, QStringLiteral("A.txt"));
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("A.txt")}));
    }

    // ---- Order by header clicks

    void headerClicksSort()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("b.txt"), "1");
        fx.Scratch.Write(QStringLiteral("c.txt"), QByteArray(100, 'c'));
        fx.Scratch.Write(QStringLiteral("a.txt"), QByteArray(10, 'a'));
        TMainWin* window = fx.Open();
        window->show();
        window->ReadFLists();
        const QStringList byName = {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")};
        QCOMPARE(Captions(window->Source_Model), byName);

        ClickHeader(window->Source_ListView, 1);
        QCOMPARE(window->SortColumn, 1);
        QCOMPARE(window->SortDescending, true);
        QCOMPARE(Captions(window->Source_Model),
                 QStringList({QStringLiteral("c.txt"), QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
        QCOMPARE(window->Source_ListView->header()->sortIndicatorOrder(), Qt::DescendingOrder);

        ClickHeader(window->Source_ListView, 0);
        QCOMPARE(window->SortColumn, 0);
        QCOMPARE(window->SortDescending, false);
        QCOMPARE(Captions(window->Source_Model), byName);

        // The direction is the program's, not the list's: the next click anywhere flips it again.
        ClickHeader(window->Crypted_ListView, 0);
        QCOMPARE(window->SortDescending, true);
        window->ReadFLists();
        QCOMPARE(Captions(window->Source_Model),
                 QStringList({QStringLiteral("c.txt"), QStringLiteral("b.txt"), QStringLiteral("a.txt")}));
    }

    void headerClicksWaitForDetails()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("b.txt"), "1");
        fx.Scratch.Write(QStringLiteral("a.txt"), QByteArray(10, 'a'));
        TMainWin* window = fx.Open();
        window->show();
        window->ReadFLists();
        window->PrgState->DetailsComplete = false;
        ClickHeader(window->Source_ListView, 1);
        QCOMPARE(window->SortColumn, 0);
        QCOMPARE(window->SortDescending, false);
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
        // Sorting after an entry was added keeps the entries in place, whatever the column.
        window->SortColumn = 1;
        window->SortList(window->Source_ListView);
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    }

    void selectionStaysWithItsEntryWhenSorted()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        fx.Scratch.Write(QStringLiteral("b.txt"), QByteArray(10, 'b'));
        TMainWin* window = fx.Open();
        window->ReadFLists();
        window->Source_ListView->selectionModel()->select(window->Source_Model->index(0, 0),
                                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window->Source_ListViewColumnClick(window->Source_ListView, 1);
        const QModelIndexList selected = window->Source_ListView->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.front().data().toString(), QStringLiteral("a.txt"));
        QCOMPARE(selected.front().row(), 1);
    }

    // ---- View styles

    void viewStyles_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("style");
        QTest::newRow("large icons") << 0 << int(vsIcon);
        QTest::newRow("small icons") << 1 << int(vsSmallIcon);
        QTest::newRow("list") << 2 << int(vsList);
        QTest::newRow("details") << 3 << int(vsReport);
    }

    void viewStyles()
    {
        QFETCH(int, item);
        QFETCH(int, style);
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        TMainWin* window = fx.Open();
        window->show();
        window->ReadFLists();
        QAction* items[] = {window->LargeIcons_MenuItem, window->SmallIcons_MenuItem, window->List_MenuItem,
                            window->Details_MenuItem};
        if (item == 3) window->LargeIcons_MenuItem->trigger();
        items[item]->trigger();
        QCOMPARE(int(window->ViewStyle), style);
        for (int other = 0; other < 4; ++other)
            QCOMPARE(items[other]->isChecked(), other == item);
        for (TKV_ListView* list : {window->Source_ListView, window->Crypted_ListView}) {
            QCOMPARE(int(list->ViewStyle()), style);
            const bool details = style == vsReport;
            QCOMPARE(list->IconsView()->isVisible(), !details);
            QCOMPARE(list->ShownView(), details ? static_cast<QAbstractItemView*>(list)
                                                : static_cast<QAbstractItemView*>(list->IconsView()));
            if (!details) {
                QCOMPARE(list->IconsView()->viewMode(), style == vsIcon ? QListView::IconMode : QListView::ListMode);
                QCOMPARE(list->IconsView()->flow(), style == vsList ? QListView::TopToBottom : QListView::LeftToRight);
                QCOMPARE(list->IconsView()->iconSize(),
                         style == vsIcon ? window->LargeIconSize : window->SmallIconSize);
                QCOMPARE(list->IconsView()->geometry(), list->rect());
                // One selection for both views of a list.
                QCOMPARE(list->IconsView()->selectionModel(), list->selectionModel());
            }
        }
    }

    // ---- Drag and drop

    void dropsOnlyFromTheOtherList()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        TKV_ListView* plain = window->Source_ListView;
        TKV_ListView* crypted = window->Crypted_ListView;
        QVERIFY(!window->Source_ListViewDragOver(plain));
        QVERIFY(!window->Source_ListViewDragOver(plain->IconsView()));
        QVERIFY(window->Source_ListViewDragOver(crypted));
        QVERIFY(window->Source_ListViewDragOver(crypted->IconsView()));
        QVERIFY(!window->Crypted_ListViewDragOver(crypted));
        QVERIFY(!window->Crypted_ListViewDragOver(crypted->IconsView()));
        QVERIFY(window->Crypted_ListViewDragOver(plain));
        QVERIFY(!window->Source_ListViewDragOver(nullptr));
        QVERIFY(!window->Crypted_ListViewDragOver(window->User_DirectoryListBox));

        // A drag that does not come from the other list is not accepted on arrival.
        QMimeData data;
        data.setData(QString::fromLatin1(kListItemsMimeType), "a.txt");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(true);
        QCoreApplication::sendEvent(plain->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    void aDropStartsTheOtherListsWork()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        // Busy, so that the work that starts shows itself by refusing.
        window->PrgState->Busy.Include(psDeleting);
        const QString wait = QStringLiteral("Please wait until the process is finished.");
        window->Source_ListViewDragDrop(window->Source_ListView);
        QCoreApplication::processEvents();
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle"));
        window->Crypted_ListViewDragDrop(window->Source_ListView->IconsView());
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle"));
        QCoreApplication::processEvents();
        QCOMPARE(window->StatusBar3->PanelText(0), wait);
    }

    void draggedEntriesCarryTheirCaptions()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        fx.Scratch.Write(QStringLiteral("b.txt"), "2");
        TMainWin* window = fx.Open();
        window->ReadFLists();
        const TKV_FileListModel* model = window->Source_Model;
        QVERIFY(model->flags(model->index(0, 0)).testFlag(Qt::ItemIsDragEnabled));
        QVERIFY(!model->flags(model->index(0, 0)).testFlag(Qt::ItemIsEditable));
        QCOMPARE(model->supportedDragActions(), Qt::CopyAction);
        std::unique_ptr<QMimeData> data(model->mimeData({model->index(1, 0), model->index(0, 2), model->index(1, 3)}));
        QCOMPARE(data->data(QString::fromLatin1(kListItemsMimeType)), QByteArray("a.txt\nb.txt"));
    }

    // Files that other programs create, remove or rename in the shown directory reach the lists by
    // themselves, the user's selection staying where it was; never while the program's own work runs.
    void theListsFollowTheDisk()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        fx.Scratch.Write(QStringLiteral("z.txt"), "2");
        TMainWin* window = fx.Open();
        window->ReadFLists();
        window->Source_ListView->selectionModel()->select(window->Source_Model->index(1, 0),
                                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);

        fx.Scratch.Write(QStringLiteral("b.txt"), "3");
        fx.Scratch.Write(QStringLiteral("c.txt.cry"), "4");
        QTRY_COMPARE(Captions(window->Source_Model),
                     QStringList({QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("z.txt")}));
        QTRY_COMPARE(Captions(window->Crypted_Model), QStringList({QStringLiteral("c.txt")}));
        const QModelIndexList selected = window->Source_ListView->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(window->Source_Model->Item(selected.front().row()).Caption, QStringLiteral("z.txt"));

        QVERIFY(
            QFile::rename(fx.Scratch.FilePath(QStringLiteral("a.txt")), fx.Scratch.FilePath(QStringLiteral("d.txt"))));
        QVERIFY(QFile::remove(fx.Scratch.FilePath(QStringLiteral("c.txt.cry"))));
        QTRY_COMPARE(Captions(window->Source_Model),
                     QStringList({QStringLiteral("b.txt"), QStringLiteral("d.txt"), QStringLiteral("z.txt")}));
        QTRY_VERIFY(Captions(window->Crypted_Model).isEmpty());

        // During a run the lists hold still; what changed is read once the run is over.
        window->PrgState->Busy.Include(psListRun);
        fx.Scratch.Write(QStringLiteral("e.txt"), "5");
        QTest::qWait(4 * TMainWin::kDirChangeSettleMs);
        QVERIFY(!Captions(window->Source_Model).contains(QStringLiteral("e.txt")));
        window->PrgState->Busy.Clear();
        QTRY_VERIFY(Captions(window->Source_Model).contains(QStringLiteral("e.txt")));
    }

    // View › Refresh, F5, reads the lists again; not while work runs.
    void f5ReadsTheListsAgain()
    {
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        TMainWin* window = fx.Open();
        window->ReadFLists();
        // As on a file system that tells nobody of its changes.
        window->Dir_Watcher->blockSignals(true);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        fx.Scratch.Write(QStringLiteral("b.txt"), "2");
        QCOMPARE(window->Refresh_MenuItem->shortcut(), QKeySequence(Qt::Key_F5));
        window->PrgState->Busy.Include(psDeleting);
        QTest::keyClick(window->Source_ListView, Qt::Key_F5);
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Please wait until the process is finished."));
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("a.txt")}));
        window->PrgState->Busy.Clear();
        QTest::keyClick(window->Source_ListView, Qt::Key_F5);
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    }

    // Enter works on the selection as a double-click does, Delete as the pop-up menu's "Delete", in
    // every view style; with nothing selected neither does anything.
    void enterAndDeleteActOnTheSelection_data()
    {
        QTest::addColumn<int>("style");
        QTest::newRow("details") << int(vsReport);
        QTest::newRow("large icons") << int(vsIcon);
        QTest::newRow("list") << int(vsList);
    }

    void enterAndDeleteActOnTheSelection()
    {
        QFETCH(int, style);
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        fx.Scratch.Write(QStringLiteral("b.txt.cry"), "2");
        TMainWin* window = fx.Open();
        CreateForms(*window);
        window->ReadFLists();
        window->SetListViewStyle(static_cast<TKV_ViewStyle>(style));
        QAbstractItemView* plain = window->Source_ListView->ShownView();
        QAbstractItemView* crypted = window->Crypted_ListView->ShownView();

        QTest::keyClick(plain, Qt::Key_Return);
        QTest::keyClick(crypted, Qt::Key_Delete);
        QVERIFY(fx.Ui.Asked().isEmpty());

        plain->selectionModel()->select(window->Source_Model->index(0, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        fx.Ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prSkip);
        QTest::keyClick(plain, Qt::Key_Return);
        crypted->selectionModel()->select(window->Crypted_Model->index(0, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        fx.Ui.ExpectDelDialog(fx.Scratch.Path() + QStringLiteral("/b.txt.cry?"), TDelResult::Ok);
        QTest::keyClick(crypted, Qt::Key_Delete);
        QCOMPARE(fx.Ui.Pending(), 0);
        QVERIFY(!QFile::exists(fx.Scratch.FilePath(QStringLiteral("b.txt.cry"))));
        QVERIFY(QFile::exists(fx.Scratch.FilePath(QStringLiteral("a.txt"))));
    }
};

QTEST_MAIN(ListsTest)
#include "test_lists.moc"
