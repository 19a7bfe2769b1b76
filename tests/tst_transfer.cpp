// Bookmarks and notes in and out: the bookmark file reader and writer against
// each browser's layout and bad input, imports into the database (skips, merges,
// all or nothing), round trips, and the menu commands.
#include "Seed.h"
#include "TestEnv.h"
#include "base/Exceptions.h"
#include "base/FileDialogs.h"
#include "desktop/SingleInstance.h"
#include "frame/CommandLine.h"
#include "frame/TFormMain.h"
#include "groups/TZentTree.h"
#include "notes/NotesTab.h"
#include "store/BookmarkFile.h"
#include "store/BookmarkTransfer.h"
#include "store/NoteTransfer.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"
#include "urls/UrlsTab.h"
#include "widgets/TZentDBGrid.h"

#include <QDirIterator>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStringEncoder>
#include <QTreeWidget>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray fixture(const QString& name)
{
    return fileBytes(QStringLiteral(VH_TEST_DATA "/bookmarks/") + name);
}

// One line per folder ("路径/") and per link ("路径|标题|网址|说明").
void describe(const BookmarkFolder& folder, const QString& path, QStringList& out)
{
    for (const BookmarkLink& link : folder.links) {
        out << path + u'|' + link.title + u'|' + link.url + u'|' + link.remark;
    }
    for (const BookmarkFolder& sub : folder.folders) {
        out << path + sub.name + u'/';
        describe(sub, path + sub.name + u'/', out);
    }
}

QStringList describe(const BookmarkFolder& root)
{
    QStringList out;
    describe(root, QString(), out);
    return out;
}

QStringList read(const QByteArray& bytes)
{
    return describe(BookmarkFile::Parse(BookmarkFile::Decode(bytes)));
}

// The URL groups by path and every address with its group's path, sorted.
QStringList urlDump()
{
    QHash<int, QPair<int, QString>> groups;
    DbAccess->OpenQuery(QStringLiteral("select SelfIndex,ParentIndex,TypeName from IEType"));
    for (ResultSet& q = DbAccess->Query; !q.eof(); q.next()) {
        groups.insert(q.value(0).toInt(), {q.value(1).toInt(), q.value(2).toString()});
    }
    auto path = [&](int group) {
        QString p;
        for (int g = group; g != 0 && groups.contains(g); g = groups[g].first) {
            p = groups[g].second + u'/' + p;
        }
        return p;
    };
    QStringList out;
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        out << path(it.key());
    }
    DbAccess->OpenQuery(QStringLiteral("select TypeID,IEName,IEUrl,ReMark from IE"));
    for (ResultSet& q = DbAccess->Query; !q.eof(); q.next()) {
        out << path(q.value(0).toInt()) + u'|' + q.value(1).toString() + u'|' + q.value(2).toString() + u'|' +
                   q.value(3).toString();
    }
    out.sort();
    return out;
}

QByteArray bookmarkFile(const QByteArray& body, const QByteArray& head = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n")
{
    return head + "<DL><p>\n" + body + "\n</DL><p>\n";
}

// Every file and folder under a folder, relative, with each file's text.
QStringList folderDump(const QString& top)
{
    QStringList out;
    QDirIterator it(top, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(top).relativeFilePath(path);
        out << (it.fileInfo().isDir() ? rel + u'/' : rel + QStringLiteral(" = ") + QString::fromUtf8(fileBytes(path)));
    }
    out.sort();
    return out;
}

// The note groups by path, each with its note when it has one, sorted.
QStringList noteDump()
{
    QHash<int, QPair<int, QString>> groups;
    DbAccess->OpenQuery(QStringLiteral("select SelfIndex,ParentIndex,TypeName from NoteType"));
    for (ResultSet& q = DbAccess->Query; !q.eof(); q.next()) {
        groups.insert(q.value(0).toInt(), {q.value(1).toInt(), q.value(2).toString()});
    }
    auto path = [&](int group) {
        QString p;
        for (int g = group; g != 0 && groups.contains(g); g = groups[g].first) {
            p = groups[g].second + u'/' + p;
        }
        return p;
    };
    QHash<int, QString> notes;
    DbAccess->OpenQuery(QStringLiteral("select TypeID,ReMark from NoteBook"));
    for (ResultSet& q = DbAccess->Query; !q.eof(); q.next()) {
        notes.insert(q.value(0).toInt(), q.value(1).toString());
    }
    QStringList out;
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        out << path(it.key()) + (notes.contains(it.key()) ? QStringLiteral(" = ") + notes[it.key()] : QString());
    }
    out.sort();
    return out;
}

void addNote(int group, const QString& text)
{
    NoteStore.TypeID = group;
    NoteStore.ReMark = text;
    NoteStore.AddNote();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write a test file");
    }
}

} // namespace

class TestTransfer : public QObject
{
    Q_OBJECT

private slots:
    void browserLayouts_data();
    void browserLayouts();
    void badInput_data();
    void badInput();
    void refusedAddresses();
    void importSkipsMergesAndNumbers();
    void importIsAllOrNothing();
    void bookmarkRoundTrip();
    void exportOneGroup();
    void bookmarkMenu();
    void safeNames_data();
    void safeNames();
    void notesOutAndBackIn();
    void importAnyTextFolder();
    void noteTransferFailures();
    void noteMenu();
    void commandLineParse_data();
    void commandLineParse();
    void commandLineRuns();
    void commandLinePassword();
};

void TestTransfer::browserLayouts_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("firefox") << "firefox.html"
                             << QStringList{"|起始页|https://www.example.com/start|",
                                            "书签工具栏/",
                                            "书签工具栏/|小书签|javascript:void(document.title)|",
                                            "书签工具栏/|新闻|https://news.example.org/|",
                                            "工作/",
                                            "工作/|周报 & 月报|https://example.com/report?a=1&b=2|每周五交\n抄送组长",
                                            "工作/|最近使用的书签|place:sort=8&maxResults=10|",
                                            "其他书签/",
                                            "其他书签/|Example <Net>|https://example.net/|两行说明\n第二行"};
    QTest::newRow("chromium") << "chromium.html"
                              << QStringList{"书签栏/",
                                             "书签栏/|示例网站|https://www.example.cn/|",
                                             "书签栏/|数据地址|data:text/html,<b>hi</b>|",
                                             "书签栏/学习/",
                                             "书签栏/学习/|C++ 文档|https://docs.example.com/cpp|",
                                             "其他书签/",
                                             "其他书签/|Quote's 中文|https://example.com/?q=\"x\"|"};
    QTest::newRow("safari") << "safari.html"
                            << QStringList{"|顶层链接|https://top.example.com/|", "收藏夹/",
                                           "收藏夹/|Apple|https://www.apple.example/|", "阅读列表/",
                                           "阅读列表/|一篇文章|https://blog.example.com/post/1|稍后阅读"};
    // Written in the Chinese Windows page with no charset named, tags in both cases.
    QTest::newRow("legacy, GBK without meta") << "legacy_gbk.html"
                                              << QStringList{"|未加引号|http://unquoted.example.com/|旧式说明", "链接/",
                                                             "链接/|中文网站|http://www.example.com.cn/|"};
}

void TestTransfer::browserLayouts()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    QCOMPARE(read(fixture(file)), expected);
}

void TestTransfer::badInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("error");

    const QByteArray doctype = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n";
    QTest::newRow("cut inside a tag") << doctype + "<DL><p>\n<DT><A HREF=\"http://a/\">A</A>\n<DT><A HR"
                                      << QStringList{"|A|http://a/|"} << QString();
    QTest::newRow("cut inside a value") << doctype + "<DL><p>\n<DT><A HREF=\"http://a/\">A</A>\n<DT><A HREF=\"http://b"
                                        << QStringList{"|A|http://a/|"} << QString();
    QTest::newRow("cut inside a title") << doctype + "<DL><DT><H3>F</H3><DL><DT><A HREF=\"http://a/\">Tit"
                                        << QStringList{"F/", "F/|Tit|http://a/|"} << QString();
    QTest::newRow("quote left open") << bookmarkFile("<DT><A HREF=\"http://a/>A</A>\n<DT><A HREF=\"http://b/\">B</A>")
                                     << QStringList{"|A|http://a/|", "|B|http://b/|"} << QString();
    QTest::newRow("no closing tags") << bookmarkFile("<DT><H3>F\n<DL><p>\n<DT><A HREF='http://a/'>A\n<DD>d\n"
                                                     "<DT><H3>G</H3>\n<DL>\n<DT><A HREF=http://b/>B")
                                     << QStringList{"F/", "F/|A|http://a/|d", "F/G/", "F/G/|B|http://b/|"} << QString();
    QTest::newRow("stray markup") << bookmarkFile("<DT><A HREF=\"http://a/\">1 < 2 <b>bold</b></A> </DL></DL></DL>"
                                                  "<DT><A HREF=\"http://b/\">B</A>")
                                  << QStringList{"|1 < 2 bold|http://a/|", "|B|http://b/|"} << QString();
    QTest::newRow("entities") << bookmarkFile("<DT><A HREF=\"http://a/?x=1&amp;y=2&copy=3\">&copy;&#169;&#xA9;&#XA9"
                                              " &bogus; &amp &#0; &#xD800; &#99999999; &#; &lt;&gt;&quot;&apos;"
                                              "&nbsp;&hellip;</A>")
                              << QStringList{QStringLiteral("|©©©© &bogus; & \uFFFD \uFFFD \uFFFD &#; <>\"'\u00A0…|"
                                                            "http://a/?x=1&y=2&copy=3|")}
                              << QString();
    QTest::newRow("layout blanks go, written ones stay")
        << bookmarkFile("<DT><A HREF=\" http://a/ \">\n   two  words\n   on lines &#32;</A>\n<DD>  line 1\r\nline 2  ")
        << QStringList{"|two  words on lines  |http://a/|line 1\nline 2"} << QString();
    QStringEncoder gbk("GB18030");
    QTest::newRow("GBK named in meta") << QByteArray(gbk(QStringLiteral(
                                              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=gbk\">\n"
                                              "<DL><DT><A HREF=\"http://a/\">中文标题</A></DL>")))
                                       << QStringList{"|中文标题|http://a/|"} << QString();
    QStringEncoder big5("Big5");
    QTest::newRow("Big5 named in meta") << QByteArray(big5(QStringLiteral(
                                               "<meta charset='big5'><DL><DT><A HREF=\"http://a/\">繁體</A></DL>")))
                                        << QStringList{"|繁體|http://a/|"} << QString();
    QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF" + bookmarkFile("<DT><A HREF=\"http://a/\">中</A>")
                                << QStringList{"|中|http://a/|"} << QString();
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    QTest::newRow("UTF-16 mark") << QByteArray(utf16(QStringLiteral("<DL><DT><A HREF=\"http://a/\">中</A></DL>")))
                                 << QStringList{"|中|http://a/|"} << QString();
    QTest::newRow("unknown charset") << QByteArray(
                                            "<meta charset=\"x-nonsense\"><DL><DT><A HREF=\"http://a/\">\xFF</A>")
                                     << QStringList() << QStringLiteral("无法识别书签文件的字符集“x-nonsense”。");
    QTest::newRow("not a bookmark file") << QByteArray("just some text\nwith <b>markup</b>") << QStringList()
                                         << QStringLiteral("这不是书签文件：书签文件是浏览器导出的 HTML 文件。");
    QTest::newRow("empty file") << QByteArray() << QStringList()
                                << QStringLiteral("这不是书签文件：书签文件是浏览器导出的 HTML 文件。");
    // Far deeper than any real file: read without exhausting the stack.
    QByteArray deep = doctype;
    for (int i = 0; i < 5000; ++i) {
        deep += "<DT><H3>d</H3><DL>";
    }
    deep += "<DT><A HREF=\"http://deep/\">deep</A>";
    QTest::newRow("nesting without end") << deep << QStringList() << QString();
}

void TestTransfer::badInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(QString, error);
    try {
        const QStringList got = read(bytes);
        QVERIFY2(error.isEmpty(), "no error raised");
        if (QByteArray(QTest::currentDataTag()) == "nesting without end") {
            const QStringList links = got.filter(QStringLiteral("|deep|http://deep/|"));
            QCOMPARE(links.size(), 1);
            QVERIFY(links.first().count(u'/') <= 210);
            return;
        }
        QCOMPARE(got, expected);
    } catch (const EAppError& e) {
        QCOMPARE(e.Message(), error);
    }
}

void TestTransfer::refusedAddresses()
{
    const QStringList refused{"javascript:alert(1)", "  JavaScript:alert(1)",   "java\tscript:x",
                              "\x01javascript:x",    "data:text/html,<script>", "DATA:image/png;base64,AA",
                              "vbscript:msgbox"};
    for (const QString& url : refused) {
        QVERIFY2(BookmarkFile::IsRefusedUrl(url), qPrintable(url));
    }
    const QStringList kept{"https://example.com/javascript:x",
                           "http://data.example/",
                           "javascripts.example.com",
                           "place:sort=8",
                           "file:///home/a.html",
                           "www.example.com"};
    for (const QString& url : kept) {
        QVERIFY2(!BookmarkFile::IsRefusedUrl(url), qPrintable(url));
    }
}

void TestTransfer::importSkipsMergesAndNumbers()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("工作"));
    addGroup(QStringLiteral("IEType"), 2, 1, QStringLiteral("周报"));
    addGroup(QStringLiteral("IEType"), 3, 0, QStringLiteral("学习"));
    addUrl(1, "http://saved/", "已有");
    addUrl(0, "http://elsewhere/", "别组");
    // Into 工作: its 周报 is reused; 学习 is taken elsewhere in the tree and 全部 by
    // the root, so both are numbered; two 新 folders side by side become one.
    const BookmarkImportResult r = ImportBookmarks(
        BookmarkFile::Parse(QStringLiteral("<DL><DT><A HREF=\"http://saved/\">again</A>"
                                           "<DT><A HREF=\"http://elsewhere/\">here new</A>"
                                           "<DT><A HREF=\"http://new/\">n</A><DT><A HREF=\"http://new/\">n2</A>"
                                           "<DT><A HREF=\"javascript:x\">js</A><DT><A>no address</A>"
                                           "<DT><A HREF=\"  \">blank</A>"
                                           "<DT><H3>周报</H3><DL><DT><A HREF=\"http://w/\">w</A></DL>"
                                           "<DT><H3>学习</H3><DL><DT><A HREF=\"http://s/\">s</A></DL>"
                                           "<DT><H3>全部</H3><DL></DL>"
                                           "<DT><H3>新</H3><DL><DT><A HREF=\"http://x/\">x</A></DL>"
                                           "<DT><H3>新</H3><DL><DT><A HREF=\"http://x/\">x</A></DL></DL>")),
        1);
    QCOMPARE(r.added, 5);
    QCOMPARE(r.skipped, 3);
    QCOMPARE(r.refused, 3);
    QCOMPARE(r.groups, 3);
    QStringList expected{"工作/",
                         "工作/|here new|http://elsewhere/|",
                         "工作/|n|http://new/|",
                         "工作/|已有|http://saved/|",
                         "工作/全部 (2)/",
                         "工作/周报/",
                         "工作/周报/|w|http://w/|",
                         "工作/学习 (2)/",
                         "工作/学习 (2)/|s|http://s/|",
                         "工作/新/",
                         "工作/新/|x|http://x/|",
                         "学习/",
                         "|别组|http://elsewhere/|"};
    expected.sort();
    QCOMPARE(urlDump(), expected);
    QCOMPARE(ImportSummary(r), QStringLiteral("书签导入完成：新增 5 个网址，跳过 3 个已保存的网址，拒绝 3 "
                                              "个不能保存的地址（javascript:、data: 或空地址）；新建 3 个分组。"));
    // The same file again adds nothing.
    QCOMPARE(ImportBookmarks(BookmarkFile::Parse(QStringLiteral("<DL><DT><H3>周报</H3><DL>"
                                                                "<DT><A HREF=\"http://w/\">w</A></DL></DL>")),
                             1)
                 .added,
             0);
}

void TestTransfer::importIsAllOrNothing()
{
    TestEnv env;
    addUrl(0, "http://before/", "before");
    ExecSQL(QStringLiteral("create trigger boom before insert on IE when new.IEUrl='http://fail/' "
                           "begin select raise(abort,'boom'); end"));
    const QStringList before = urlDump();
    const BookmarkFolder tree =
        BookmarkFile::Parse(QStringLiteral("<DL><DT><H3>F</H3><DL><DT><A HREF=\"http://ok/\">ok</A></DL>"
                                           "<DT><H3>G</H3><DL><DT><A HREF=\"http://fail/\">fail</A></DL></DL>"));
    QVERIFY_THROWS_EXCEPTION(EDBException, ImportBookmarks(tree, 0));
    QCOMPARE(urlDump(), before);
    // An unreadable file is reported before anything is written.
    try {
        ImportBookmarkFile(env.file(QStringLiteral("missing.html")), 0);
        QFAIL("no error raised");
    } catch (const EAppError& e) {
        QCOMPARE(e.Message(),
                 QStringLiteral("无法打开书签文件 %1：文件不存在").arg(env.file(QStringLiteral("missing.html"))));
    }
    QCOMPARE(urlDump(), before);
}

void TestTransfer::bookmarkRoundTrip()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral(" 前后空格 "));
    addGroup(QStringLiteral("IEType"), 2, 1, QStringLiteral("A & <B> \"C\" 'D'"));
    addGroup(QStringLiteral("IEType"), 3, 2, QStringLiteral("深一层"));
    addGroup(QStringLiteral("IEType"), 4, 0, QStringLiteral("空组"));
    addGroup(QStringLiteral("IEType"), 5, 99, QStringLiteral("父组已删"));
    addUrl(0, "http://root/?a=1&b=2", "根下", "第一行\n第二行\r\n\t缩进  ");
    addUrl(1, " http://blanks/ ", "  标题两边空格  ", " 备注 ");
    addUrl(2, "http://x/\"<>", "&amp; 原样", "<DD> 不是标签");
    addUrl(3, "https://例子.中国/路径", "", "");
    addUrl(7, "http://orphan/", "组已不在", "");
    const QStringList before = urlDump();
    const QString path = env.file(QStringLiteral("out.html"));
    const BookmarkExportResult written = ExportBookmarkFile(path, 0);
    QCOMPARE(written.groups, 5);
    QCOMPARE(written.links, 5);
    ExecSQL(QStringLiteral("delete from IE@#@delete from IEType"));
    ImportBookmarkFile(path, 0);
    // A group whose parent was gone, and the address of a group that was gone,
    // come back under the root, where the tree showed them.
    QCOMPARE(urlDump(), before);
    // Each entry on one line, as line-based readers want.
    const QByteArray text = fileBytes(path);
    QVERIFY(text.startsWith("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"));
    QVERIFY(text.contains("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">"));
    const QByteArray date = QByteArray::number(QDateTime(QDate(2024, 3, 15), QTime(9, 30)).toSecsSinceEpoch());
    QVERIFY(text.contains("<DT><A HREF=\"http://root/?a=1&amp;b=2\" ADD_DATE=\"" + date + "\">根下</A>\n"));
    QVERIFY(text.contains("<DD>第一行&#10;第二行&#13;&#10;&#9;缩进&#32;&#32;\n"));
}

void TestTransfer::exportOneGroup()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("甲"));
    addGroup(QStringLiteral("IEType"), 2, 1, QStringLiteral("乙"));
    addGroup(QStringLiteral("IEType"), 3, 0, QStringLiteral("丙"));
    addUrl(0, "http://root/", "r");
    addUrl(2, "http://b/", "b");
    addUrl(3, "http://c/", "c");
    QCOMPARE(describe(ExportBookmarks(1)), (QStringList{"甲/", "甲/乙/", "甲/乙/|b|http://b/|"}));
}

void TestTransfer::bookmarkMenu()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("工作"));
    TFormMain window;
    window.show();
    UrlsTab* tab = window.ts1;
    QStringList texts;
    for (QAction* a : tab->pmIEType->actions()) {
        texts << a->text();
    }
    QVERIFY(texts.contains(QStringLiteral("导入书签…")));
    QVERIFY(texts.contains(QStringLiteral("导出书签…")));

    QFile file(env.file(QStringLiteral("in.html")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(fixture(QStringLiteral("chromium.html")));
    file.close();
    QTreeWidgetItem* work = tab->tvIE->topLevelItem(0)->child(0);
    tab->tvIE->setCurrentItem(work);
    FileDialogs::setNextFileName(file.fileName());
    tab->NImportIE->trigger();
    QCOMPARE(env.messages.texts().last(),
             QStringLiteral("书签导入完成：新增 3 个网址，跳过 0 个已保存的网址，拒绝 1 个不能保存的地址"
                            "（javascript:、data: 或空地址）；新建 3 个分组。"));
    // The new groups show at once under the group imported into, which is shown.
    work = tab->tvIE->currentItem();
    QCOMPARE(work->text(0), QStringLiteral("工作"));
    QCOMPARE(work->childCount(), 2);
    QCOMPARE(work->child(0)->text(0), QStringLiteral("书签栏"));
    QCOMPARE(work->child(0)->child(0)->text(0), QStringLiteral("学习"));
    QCOMPARE(tab->DBGrid1->model()->rowCount(), 0);

    // Export of the selected group; a name without an ending gets ".html".
    tab->tvIE->setCurrentItem(work->child(0));
    FileDialogs::setNextFileName(env.file(QStringLiteral("out")));
    tab->NExportIE->trigger();
    QCOMPARE(env.messages.texts().last(),
             QStringLiteral("书签导出完成：2 个分组、2 个网址已写入 ") + env.file(QStringLiteral("out.html")));
    QCOMPARE(read(fileBytes(env.file(QStringLiteral("out.html")))),
             (QStringList{"书签栏/", "书签栏/|示例网站|https://www.example.cn/|", "书签栏/学习/",
                          "书签栏/学习/|C++ 文档|https://docs.example.com/cpp|"}));

    // An older file is replaced only on Yes.
    writeBytes(env.file(QStringLiteral("old.html")), "older");
    FileDialogs::setNextFileName(env.file(QStringLiteral("old.html")));
    tab->NExportIE->trigger();
    QCOMPARE(env.messages.texts().last(),
             QStringLiteral("文件“%1”已存在，要替换它吗？").arg(env.file(QStringLiteral("old.html"))));
    QCOMPARE(fileBytes(env.file(QStringLiteral("old.html"))), QByteArray("older"));
    env.messages.answer(true);
    FileDialogs::setNextFileName(env.file(QStringLiteral("old.html")));
    tab->NExportIE->trigger();
    QVERIFY(fileBytes(env.file(QStringLiteral("old.html"))).startsWith("<!DOCTYPE NETSCAPE-Bookmark-file-1>"));

    // A cancelled dialog does nothing.
    const int boxes = static_cast<int>(env.messages.boxes().size());
    FileDialogs::setNextFileName(QString());
    tab->NImportIE->trigger();
    QCOMPARE(env.messages.boxes().size(), boxes);
}

void TestTransfer::safeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("safe");
    QTest::newRow("forbidden marks") << "a/b\\c:d*e?f\"g<h>i|j"
                                     << "abcdefghij";
    QTest::newRow("controls") << "\x01tab\there\x7F"
                              << "tabhere";
    QTest::newRow("edge dots and blanks") << " . 名字. . "
                                          << "名字";
    QTest::newRow("hidden") << ".config"
                            << "config";
    QTest::newRow("device") << "CON"
                            << "CON_";
    QTest::newRow("device with ending") << "nul.txt"
                                        << "nul_.txt";
    QTest::newRow("device numbered") << "Lpt9"
                                     << "Lpt9_";
    QTest::newRow("not a device") << "COM10"
                                  << "COM10";
    QTest::newRow("nothing left") << "?*."
                                  << "未命名";
    QTest::newRow("empty") << ""
                           << "未命名";
    QTest::newRow("long, cut at a character") << QString(70, QChar(0x4E2D)) << QString(66, QChar(0x4E2D));
    QTest::newRow("long, a pair kept whole") << QStringLiteral("a") + QString::fromUcs4(U"😀").repeated(60)
                                             << QStringLiteral("a") + QString::fromUcs4(U"😀").repeated(49);
}

void TestTransfer::safeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, safe);
    QCOMPARE(NoteFiles::SafeName(name), safe);
    QVERIFY(NoteFiles::SafeName(name).toUtf8().size() <= 200);
}

void TestTransfer::notesOutAndBackIn()
{
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("工作"));
    addGroup(QStringLiteral("NoteType"), 2, 1, QStringLiteral("周报"));
    addGroup(QStringLiteral("NoteType"), 3, 1, QStringLiteral("工作.txt")); // beside the note file
    addGroup(QStringLiteral("NoteType"), 4, 0, QStringLiteral("a?"));
    addGroup(QStringLiteral("NoteType"), 5, 0, QStringLiteral("A*")); // the same name where case is ignored
    addGroup(QStringLiteral("NoteType"), 6, 0, QStringLiteral("空"));
    addNote(0, QStringLiteral("根的笔记"));
    addNote(1, QStringLiteral("第一行\n'引号' \"双引号\"\n\n"));
    addNote(2, QStringLiteral("周五"));
    addNote(3, QStringLiteral("不是笔记文件"));
    addNote(5, QString());
    const QString out = env.file(QStringLiteral("out"));
    const NoteExportResult written = ExportNotes(0, out);
    QCOMPARE(written.groups, 7);
    QCOMPARE(written.notes, 4);
    QCOMPARE(written.folder, out + QStringLiteral("/根目录"));
    QCOMPARE(folderDump(out), (QStringList{"根目录/", "根目录/A (2)/", "根目录/a/", "根目录/工作/", "根目录/工作/周报/",
                                           "根目录/工作/周报/周报.txt = 周五", "根目录/工作/工作.txt (2)/",
                                           "根目录/工作/工作.txt (2)/工作.txt (2).txt = 不是笔记文件",
                                           "根目录/工作/工作.txt = 第一行\n'引号' \"双引号\"\n\n",
                                           "根目录/根目录.txt = 根的笔记", "根目录/空/"}));
    QCOMPARE(NoteExportSummary(written), QStringLiteral("笔记导出完成：7 个分组、4 篇笔记已写入 ") + written.folder);

    // Back in, into an emptied tree: the root's folder becomes a group of its own,
    // numbered as the root's caption is taken.
    ExecSQL(QStringLiteral("delete from NoteType@#@delete from NoteBook"));
    const NoteImportResult read = ImportNotes(written.folder, 0);
    QCOMPARE(read.groups, 7);
    QCOMPARE(read.notes, 4);
    QCOMPARE(read.skipped, 0);
    QCOMPARE(noteDump(),
             (QStringList{"根目录 (2)/ = 根的笔记", "根目录 (2)/A (2)/", "根目录 (2)/a/",
                          "根目录 (2)/工作/ = 第一行\n'引号' \"双引号\"\n\n", "根目录 (2)/工作/周报/ = 周五",
                          "根目录 (2)/工作/工作.txt (2)/ = 不是笔记文件", "根目录 (2)/空/"}));
    // Out again beside the first: a new folder, the first untouched.
    QCOMPARE(ExportNotes(0, out).folder, out + QStringLiteral("/根目录 (2)"));
    QCOMPARE(folderDump(out + QStringLiteral("/根目录")).size(), 10);
}

void TestTransfer::importAnyTextFolder()
{
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("记事"));
    addGroup(QStringLiteral("NoteType"), 2, 0, QStringLiteral("a"));
    const QString top = env.file(QStringLiteral("记事"));
    QStringEncoder gbk("GB18030");
    writeBytes(top + QStringLiteral("/a.txt"), gbk(QStringLiteral("国标编码的文字")));
    writeBytes(top + QStringLiteral("/b.MD"), "\xEF\xBB\xBF# 标题\r\n正文\r\n");
    writeBytes(top + QStringLiteral("/c.jpg"), "\xFF\xD8");
    writeBytes(top + QStringLiteral("/.hidden/x.txt"), "hidden");
    writeBytes(top + QStringLiteral("/sub/sub.txt"), "子目录自己的笔记");
    writeBytes(top + QStringLiteral("/sub/d.txt"), "d");
    writeBytes(top + QStringLiteral("/sub/deeper/readme"), "no ending");
    const NoteImportResult r = ImportNotes(top + QStringLiteral("/"), 1);
    QCOMPARE(NoteImportSummary(r), QStringLiteral("笔记导入完成：新建 6 个分组，导入 4 篇笔记；跳过 2 个文件"
                                                  "（不是 .txt、.md 文件，或大于 100 MB）。"));
    QCOMPARE(noteDump(), (QStringList{"a/", "记事/", "记事/记事 (2)/", "记事/记事 (2)/a (2)/ = 国标编码的文字",
                                      "记事/记事 (2)/b/ = # 标题\n正文\n", "记事/记事 (2)/sub/ = 子目录自己的笔记",
                                      "记事/记事 (2)/sub/d/ = d", "记事/记事 (2)/sub/deeper/"}));
}

void TestTransfer::noteTransferFailures()
{
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("g"));
    addNote(1, QStringLiteral("text"));
    const QStringList before = noteDump();
    auto message = [](const std::function<void()>& run) {
        try {
            run();
        } catch (const EAppError& e) {
            return e.Message();
        }
        return QString();
    };
    // A destination that is a file: nothing made, said so.
    writeBytes(env.file(QStringLiteral("afile")), "x");
    QCOMPARE(message([&] { ExportNotes(0, env.file(QStringLiteral("afile"))); }),
             QStringLiteral("无法导出到 %1：这是文件，不是文件夹").arg(env.file(QStringLiteral("afile"))));
    QCOMPARE(message([&] { ImportNotes(env.file(QStringLiteral("missing")), 0); }),
             QStringLiteral("找不到文件夹 ") + env.file(QStringLiteral("missing")));
    // A failure half-way through the writing leaves no group and no note behind.
    writeBytes(env.file(QStringLiteral("in/one.txt")), "1");
    writeBytes(env.file(QStringLiteral("in/two.txt")), "fail");
    ExecSQL(QStringLiteral("create trigger boom before insert on NoteBook when new.ReMark='fail' "
                           "begin select raise(abort,'boom'); end"));
    QVERIFY_THROWS_EXCEPTION(EDBException, ImportNotes(env.file(QStringLiteral("in")), 0));
    QCOMPARE(noteDump(), before);
    // An export cut off half-way leaves no folder behind.
    const QString out = env.file(QStringLiteral("out"));
    QDir().mkpath(out);
    ExecSQL(QStringLiteral("drop trigger boom"));
    // Thirty levels of the longest names run past the longest path there is.
    for (int g = 2; g <= 31; ++g) {
        addGroup(QStringLiteral("NoteType"), g, g - 1, QString(200, QChar(u'a' + g % 26)));
    }
    QVERIFY(message([&] { ExportNotes(0, out); }).startsWith(QStringLiteral("无法创建文件夹 ")));
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestTransfer::noteMenu()
{
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("工作"));
    addNote(1, QStringLiteral("工作笔记"));
    TFormMain window;
    window.show();
    NotesTab* tab = window.ts2;
    QStringList texts;
    for (QAction* a : tab->pmNoteType->actions()) {
        texts << a->text();
    }
    QVERIFY(texts.contains(QStringLiteral("导出笔记…")));
    QVERIFY(texts.contains(QStringLiteral("导入笔记…")));

    QTreeWidgetItem* work = tab->tvNote->topLevelItem(0)->child(0);
    tab->tvNote->setCurrentItem(work);
    const QString out = env.file(QStringLiteral("out"));
    QDir().mkpath(out);
    FileDialogs::setNextFileName(out);
    tab->NExportNote->trigger();
    QCOMPARE(env.messages.texts().last(),
             QStringLiteral("笔记导出完成：1 个分组、1 篇笔记已写入 ") + out + QStringLiteral("/工作"));
    QCOMPARE(folderDump(out), (QStringList{"工作/", "工作/工作.txt = 工作笔记"}));

    // Read back in under the same group: it shows at once, numbered.
    FileDialogs::setNextFileName(out + QStringLiteral("/工作"));
    tab->NImportNote->trigger();
    QCOMPARE(env.messages.texts().last(), QStringLiteral("笔记导入完成：新建 1 个分组，导入 1 篇笔记；跳过 0 "
                                                         "个文件（不是 .txt、.md 文件，或大于 100 MB）。"));
    work = tab->tvNote->currentItem();
    QCOMPARE(work->text(0), QStringLiteral("工作"));
    QCOMPARE(tab->mmoNote->toPlainText(), QStringLiteral("工作笔记"));
    QCOMPARE(work->childCount(), 1);
    tab->tvNote->setCurrentItem(work->child(0));
    QCOMPARE(work->child(0)->text(0), QStringLiteral("工作 (2)"));
    QCOMPARE(tab->mmoNote->toPlainText(), QStringLiteral("工作笔记"));
}

using Kind = CommandLine::Command::Kind;

void TestTransfer::commandLineParse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing") << QStringList() << int(Kind::Window) << QString() << QString();
    QTest::newRow("others ignored") << QStringList{"-platform", "xcb", "--bogus"} << int(Kind::Window) << QString()
                                    << QString();
    QTest::newRow("help") << QStringList{"--help"} << int(Kind::Help) << QString() << QString();
    QTest::newRow("-h among others") << QStringList{"x", "-h"} << int(Kind::Help) << QString() << QString();
    QTest::newRow("version") << QStringList{"--version"} << int(Kind::Version) << QString() << QString();
    QTest::newRow("import bookmarks") << QStringList{"--import-bookmarks", "a b.html"} << int(Kind::ImportBookmarks)
                                      << "a b.html" << QString();
    QTest::newRow("with =") << QStringList{"--export-bookmarks=x=y.html"} << int(Kind::ExportBookmarks) << "x=y.html"
                            << QString();
    QTest::newRow("notes out") << QStringList{"--export-notes", "dir"} << int(Kind::ExportNotes) << "dir" << QString();
    QTest::newRow("notes in") << QStringList{"--import-notes", "dir"} << int(Kind::ImportNotes) << "dir" << QString();
    QTest::newRow("name missing") << QStringList{"--import-notes"} << int(Kind::Wrong) << QString()
                                  << QStringLiteral("--import-notes 后面要写文件夹的名字。");
    QTest::newRow("empty name") << QStringList{"--export-bookmarks="} << int(Kind::Wrong) << QString()
                                << QStringLiteral("--export-bookmarks 后面要写文件的名字。");
    QTest::newRow("two commands") << QStringList{"--export-notes", "d", "--import-notes", "e"} << int(Kind::Wrong)
                                  << QString() << QStringLiteral("一次只能执行一个命令：--import-notes");
}

void TestTransfer::commandLineParse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, kind);
    QFETCH(QString, path);
    QFETCH(QString, error);
    const CommandLine::Command command = CommandLine::Parse(arguments);
    QCOMPARE(int(command.kind), kind);
    QCOMPARE(command.path, path);
    QCOMPARE(command.error, error);
}

namespace {

struct Said
{
    int rc = -1;
    QString out;
    QString err;
};

Said run(const QStringList& arguments)
{
    Said said;
    said.rc = CommandLine::Run(
        CommandLine::Parse(arguments), [&](const QString& t) { said.out += t; },
        [&](const QString& t) { said.err += t; });
    return said;
}

} // namespace

void TestTransfer::commandLineRuns()
{
    TestEnv env;
    QVERIFY(run({"--help"}).out.contains(QStringLiteral("--import-bookmarks 文件")));
    for (const char* option : {"--export-bookmarks", "--import-notes", "--export-notes", "--help", "--version"}) {
        QVERIFY2(CommandLine::HelpText().contains(QLatin1String(option)), option);
    }
    QCOMPARE(run({"--version"}).out, QStringLiteral("Vornet-Halvik " VH_VERSION));
    const Said wrong = run({"--import-bookmarks"});
    QCOMPARE(wrong.rc, 2);
    QCOMPARE(wrong.err, QStringLiteral("--import-bookmarks 后面要写文件的名字。\n用 vornet-halvik --help 查看用法。"));

    const QString file = env.file(QStringLiteral("in.html"));
    writeBytes(file, fixture(QStringLiteral("chromium.html")));
    Said said = run({"--import-bookmarks", file});
    QCOMPARE(said.rc, 0);
    QCOMPARE(said.out, QStringLiteral("书签导入完成：新增 3 个网址，跳过 0 个已保存的网址，拒绝 1 个不能保存的地址"
                                      "（javascript:、data: 或空地址）；新建 3 个分组。"));
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 3);
    said = run({"--export-bookmarks", env.file(QStringLiteral("out.html"))});
    QCOMPARE(said.rc, 0);
    QVERIFY(said.out.startsWith(QStringLiteral("书签导出完成：3 个分组、3 个网址已写入 ")));
    said = run({"--export-notes", env.file(QStringLiteral("notes"))});
    QCOMPARE(said.rc, 0);
    QVERIFY(QFileInfo(env.file(QStringLiteral("notes/根目录"))).isDir());
    said = run({"--import-notes", env.file(QStringLiteral("notes/根目录"))});
    QCOMPARE(said.out, QStringLiteral("笔记导入完成：新建 1 个分组，导入 0 篇笔记；跳过 0 个文件（不是 .txt、.md "
                                      "文件，或大于 100 MB）。"));

    // A failure says why and ends with 1.
    said = run({"--import-bookmarks", env.file(QStringLiteral("missing.html"))});
    QCOMPARE(said.rc, 1);
    QVERIFY2(said.err.startsWith(QStringLiteral("无法打开书签文件 ")), qPrintable(said.err));
    QVERIFY(said.out.isEmpty());

    // Beside a running copy nothing is done.
    {
        SingleInstance running(env.dbPath());
        QVERIFY(running.HoldWithoutHandOver());
        said = run({"--import-bookmarks", file});
        QCOMPARE(said.rc, 3);
        QCOMPARE(said.err, QStringLiteral("Vornet-Halvik 正在运行（数据库 %1）。请先退出正在运行的程序，"
                                          "再从命令行导入或导出。")
                               .arg(env.dbPath()));
    }
    // Without the database file.
    QFile::rename(env.dbPath(), env.file(QStringLiteral("elsewhere.dat")));
    said = run({"--export-notes", env.file(QStringLiteral("n2"))});
    QCOMPARE(said.rc, 1);
    QVERIFY2(said.err.startsWith(QStringLiteral("数据库连接失败！\n详细信息：")), qPrintable(said.err));
    QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("n2"))));
}

void TestTransfer::commandLinePassword()
{
    TestEnv env;
    ConfigStore.LoadConfig();
    ConfigStore.bPass = true;
    ConfigStore.PassWord = QStringLiteral("密码 1");
    ConfigStore.SaveConfig();
    const QString out = env.file(QStringLiteral("out.html"));
    QStringList prompts;
    auto answer = [&](std::optional<QString> typed) {
        CommandLine::setPasswordReader([&prompts, typed](const QString& prompt) {
            prompts << prompt;
            return typed;
        });
    };
    answer(QStringLiteral("wrong"));
    Said said = run({"--export-bookmarks", out});
    QCOMPARE(said.rc, 1);
    QCOMPARE(said.err, QStringLiteral("密码错误，未执行任何操作。"));
    QCOMPARE(prompts, QStringList{QStringLiteral("请输入登录密码：")});
    answer(std::nullopt);
    said = run({"--export-bookmarks", out});
    QCOMPARE(said.err, QStringLiteral("已设置登录密码：请在终端中运行此命令，以便输入密码。未执行任何操作。"));
    QVERIFY(!QFileInfo::exists(out));
    answer(QStringLiteral("密码 1"));
    QCOMPARE(run({"--export-bookmarks", out}).rc, 0);
    QVERIFY(QFileInfo::exists(out));
    // The real reader, with no terminal to ask: refused at once, never waiting.
    CommandLine::setPasswordReader({});
    const int savedIn = dup(STDIN_FILENO);
    QVERIFY(std::freopen("/dev/null", "r", stdin));
    said = run({"--export-bookmarks", out});
    dup2(savedIn, STDIN_FILENO);
    ::close(savedIn);
    QCOMPARE(said.rc, 1);
    QCOMPARE(said.err, QStringLiteral("已设置登录密码：请在终端中运行此命令，以便输入密码。未执行任何操作。"));

    // Above, the password was the file's key; a file from before that keeps the
    // fixed key, and the stored password is checked.
    ConfigStore.bPass = false;
    ConfigStore.PassWord.clear();
    ConfigStore.SaveConfig();
    ExecSQL(QStringLiteral("update SysSet set bPass=-1, PassWord='旧 pw'"));
    QVERIFY(DbAccess->Key().isFixed());
    for (const QString& typed : {QStringLiteral("旧 PW"), QStringLiteral("旧 pw")}) {
        prompts.clear();
        answer(typed);
        QFile::remove(out);
        said = run({"--export-bookmarks", out});
        QCOMPARE(prompts, QStringList{QStringLiteral("请输入登录密码：")});
        QCOMPARE(said.rc, typed == QStringLiteral("旧 pw") ? 0 : 1);
        QCOMPARE(QFileInfo::exists(out), said.rc == 0);
    }
}

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
