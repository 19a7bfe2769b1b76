// Bookmarks and notes in and out: the bookmark file reader and writer against
// each browser's layout and bad input, imports into the database (skips, merges,
// all or nothing), round trips, and the menu commands.
#include "Seed.h"
#include "TestEnv.h"
#include "base/Exceptions.h"
#include "base/FileDialogs.h"
#include "frame/TFormMain.h"
#include "groups/TZentTree.h"
#include "store/BookmarkFile.h"
#include "store/BookmarkTransfer.h"
#include "store/TDbAccess.h"
#include "urls/UrlsTab.h"
#include "widgets/TZentDBGrid.h"

#include <QFile>
#include <QMenu>
#include <QStringEncoder>
#include <QTreeWidget>
#include <QtTest>

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
        QVERIFY2(e.Message().startsWith(QStringLiteral("无法打开书签文件 ")), qPrintable(e.Message()));
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

    // A cancelled dialog does nothing.
    const int boxes = static_cast<int>(env.messages.boxes().size());
    FileDialogs::setNextFileName(QString());
    tab->NImportIE->trigger();
    QCOMPARE(env.messages.boxes().size(), boxes);
}

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
