// The JTAG trace in the desktop program (the trace switch of the JTAG options, the trace window
// over a document's trace, saving it as .TRC and XML) and the SVF server chosen as the interpreter:
// started by the program when it connects, programming on the virtual cable.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QScreen>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "device/DeviceConfig.h"
#include "document/ui/SchDocument.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/SvfServerInterpreter.h"
#include "jtag/ui/JtagDialogs.h"
#include "jtag/ui/JtagTraceView.h"
#include "jtag/ui/JtagUi.h"
#include "platform/AtomicFile.h"

namespace kalidor::test {

namespace {

QString Text(const char* s) { return QString::fromUtf8(s); }

QStringList Texts(const RecordingPrompter& p)
{
    QStringList t;
    for (const auto& m : p.messages)
        t << QString::fromStdString(m.text);
    return t;
}

std::string FileText(const QString& path)
{
    std::string text;
    ReadWholeFile(path.toStdString(), text);
    return text;
}

// XDG_RUNTIME_DIR of the test's own while it lives (the SVF server's socket goes there).
struct RuntimeDir {
    RuntimeDir() : old(qgetenv("XDG_RUNTIME_DIR")) { qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8()); }
    ~RuntimeDir()
    {
        if (old.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", old);
    }
    QTemporaryDir dir;
    QByteArray old;
};

}  // namespace

class JtagTraceViewTest : public QObject {
    Q_OBJECT

private slots:
    void traceSwitchInTheOptionsAndTheWindowOverTheTrace()
    {
        Environment env;
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA");
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, "");
        SchDocument* doc = mw.NewDocument(QStringLiteral("ZelA"));
        QVERIFY(doc);
        CJtagDevice* jtag = doc->Doc().JtagDevice();
        QCOMPARE(jtag->GetTraceOn(), 0);

        // The trace switch is one of the JTAG options.
        OnNextModal([](QWidget* w) {
            auto* d = qobject_cast<CJtagOptionsDialog*>(w);
            QVERIFY(d);
            QCOMPARE(d->TraceCheck()->text(), Text(kJtagOptionTrace));
            QVERIFY(!d->TraceCheck()->isChecked());
            d->TraceCheck()->setChecked(true);
            d->accept();
        });
        mw.Action(QStringLiteral("actionJtagOptions"))->trigger();
        QCOMPARE(jtag->GetTraceOn(), 1);

        QCOMPARE(mw.Jtag()->Download(doc), kJtagDone);
        const CJtagTraceData& trace = jtag->Trace();
        QVERIFY(trace.Size() > 10);
        QCOMPARE(QString::fromStdString(trace.Entry(0).m_svf), QStringLiteral("! ZelA Download"));

        // The window: a view of the document, in the View menu.
        QAction* open = mw.Action(QStringLiteral("actionJtagTrace"));
        QVERIFY(open);
        QCOMPARE(open->text(), QStringLiteral("JTAG &Trace"));
        open->trigger();
        QList<QMdiSubWindow*> frames;
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
            if (qobject_cast<CJtagTraceView*>(w->widget()))
                frames << w;
        QCOMPARE(frames.size(), 1);
        auto* view = qobject_cast<CJtagTraceView*>(frames[0]->widget());
        QCOMPARE(mw.OpenJtagTraceView(doc), view);  // one per document
        QCOMPARE(frames[0]->windowTitle(), doc->DisplayName() + QStringLiteral(" - JTAG Trace"));
        CJtagTraceModel* model = view->Model();
        QCOMPARE(model->rowCount(), static_cast<int>(trace.Size()));
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"Type", "SVF", "SVF_Error", "TCK", "TMS", "TDI", "TDO"}));
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("SVF"));
        QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("! ZelA Download"));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("OK"));
        QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral("0"));
        QCOMPARE(view->findChild<QLabel*>(QStringLiteral("traceCount"))->text(),
                 QStringLiteral("  %1 lines").arg(trace.Size()));

        // A Verify of a changed design starts a fresh trace; the window follows once it ends.
        doc->Change(QStringLiteral("edit"), [&] {
            doc->Doc().SetSymValue(4, 2);
            return true;
        });
        env.prompter.Clear();
        std::vector<CVerifyReport> reports;
        mw.Jtag()->showVerifyFailed = [&](const CVerifyReport& r) { reports.push_back(r); };
        QCOMPARE(mw.Jtag()->Verify(doc), kJtagVerifyDiffers);
        QCOMPARE(reports.size(), size_t(1));
        QCOMPARE(QString::fromStdString(trace.Entry(0).m_svf), QStringLiteral("! ZelA Verify"));
        QCOMPARE(model->rowCount(), static_cast<int>(trace.Size()));

        // Rows are the trace's own: an entry added later shows as one inserted row, not a copy.
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        jtag->Trace().AddSvfEntry("SDR 8 TDI (00) TDO (01);", 1);
        QTRY_COMPARE(inserted.count(), 1);
        QCOMPARE(inserted[0][1].toInt(), static_cast<int>(trace.Size()) - 1);
        const QModelIndex last = model->index(model->rowCount() - 1, 2);
        QCOMPARE(last.data().toString(), QStringLiteral("verify-error"));
        QCOMPARE(last.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
        // Between a clear and the next follow-up the rows that are gone read as empty.
        jtag->Trace().Clear();
        QCOMPARE(model->index(0, 1).data(), QVariant());
        model->Sync();
        QCOMPARE(model->rowCount(), 0);
    }

    void aLongTraceStaysResponsive()
    {
        Environment env;
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, "");
        SchDocument* doc = mw.NewDocument(QStringLiteral("ZelD"));
        CJtagTraceData& trace = doc->Doc().JtagDevice()->Trace();
        CJtagTraceView* view = mw.OpenJtagTraceView(doc);
        view->resize(760, 480);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 200000; ++i)
            trace.AddSvfEntry("SDR 96 TDI (0000007FFFFFFFFFFFFFFFFF) TDO (0000007FFFFFFFFFFFFFFFFF);", 0);
        view->Model()->Sync();
        view->Table()->scrollToBottom();
        view->Table()->repaint();
        QCOMPARE(view->Model()->rowCount(), 200000);
        // Adding, following and drawing a view of 200000 lines takes well under a second.
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(view->Table()->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    }

    void savingAsTrcAndXml()
    {
        Environment env;
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, "");
        SchDocument* doc = mw.NewDocument(QStringLiteral("ZelA"));
        CJtagTraceData& trace = doc->Doc().JtagDevice()->Trace();
        trace.AddSvfEntry("! ZelA Download", 0);
        trace.AddSvfEntry("SIR 0 TDI (00);", 2);
        CJtagTraceView* view = mw.OpenJtagTraceView(doc);
        QTemporaryDir dir;
        QString asked, filter;
        QString answer = dir.filePath(QStringLiteral("run.TRC"));
        view->askFileName = [&](QWidget*, const QString& caption, const QString& f) {
            asked = caption;
            filter = f;
            return answer;
        };
        QVERIFY(view->SaveText());
        QCOMPARE(asked, QStringLiteral("Save JTAG Trace"));
        QCOMPARE(filter, QStringLiteral("TRC files (*.TRC);;All Files (*)"));
        QCOMPARE(FileText(answer),
                 std::string("! Kalidor JtagTrace of SVF program\r\n! ZelA Download\r\nSIR 0 TDI (00);\r\n<end>\r\n\r\n"));

        answer = dir.filePath(QStringLiteral("run.XML"));
        QVERIFY(view->SaveXml());
        QCOMPARE(filter, QStringLiteral("XML files (*.XML);;All Files (*)"));
        QCOMPARE(FileText(answer), trace.XmlForm());
        QVERIFY(FileText(answer).find("<SVF>SIR 0 TDI (00);</SVF>\r\n<SVF_Error>2</SVF_Error>") != std::string::npos);

        // Cancelled: nothing written, nothing said. Not writable: the message.
        answer.clear();
        QVERIFY(!view->SaveText());
        QVERIFY(env.prompter.messages.empty());
        answer = dir.filePath(QStringLiteral("missing/run.TRC"));
        QVERIFY(!view->SaveText());
        QCOMPARE(Texts(env.prompter), QStringList{QStringLiteral("File could not be opened")});

        // An empty trace saves as the header and the end.
        trace.Clear();
        answer = dir.filePath(QStringLiteral("empty.TRC"));
        QVERIFY(view->SaveText());
        QCOMPARE(FileText(answer), std::string("! Kalidor JtagTrace of SVF program\r\n<end>\r\n\r\n"));
    }

    void serverInterpreterIsStartedWhenTheProgramConnects()
    {
        RuntimeDir runtime;
        QTemporaryDir state;
        Environment env;
        env.settings.SetInt(kJtagConfigSection, kEntryInterpreterId, kInterpreterChoiceServer);
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA,ZelD");
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, state.path().toStdString());
        auto* server = dynamic_cast<CSvfServerInterpreter*>(mw.Jtag()->Interface().Interpreter());
        QVERIFY(server);
        QCOMPARE(server->IsConnected(), 0);

        for (const char* type : {"ZelA", "ZelD"}) {
            SchDocument* doc = mw.NewDocument(Text(type));
            QVERIFY(doc);
            doc->Change(QStringLiteral("edit"), [&] {
                doc->Doc().SetSymValue(std::string(type) == "ZelA" ? 4 : 12, 3);
                return true;
            });
            env.prompter.Clear();
            env.prompter.Script(Answer::Ok);  // "Connect now?" the first time
            QCOMPARE(mw.Jtag()->Download(doc), kJtagDone);
            QStringList expected{Text(kMsgVerifySucceeded)};
            if (std::string(type) == "ZelA")
                expected.prepend(Text(kMsgConnectInterpreter));
            QCOMPARE(Texts(env.prompter), expected);
            QCOMPARE(server->IsConnected(), 1);
            QVERIFY(QFile::exists(runtime.dir.filePath(QStringLiteral("SVFsvr"))));

            doc->Change(QStringLiteral("edit"), [&] {
                doc->Doc().SetSymValue(std::string(type) == "ZelA" ? 4 : 12, 1);
                return true;
            });
            env.prompter.Clear();
            std::vector<CVerifyReport> reports;
            mw.Jtag()->showVerifyFailed = [&](const CVerifyReport& r) { reports.push_back(r); };
            QCOMPARE(mw.Jtag()->Verify(doc), kJtagVerifyDiffers);
            // The difference is the setting changed since the download.
            QCOMPARE(reports.size(), size_t(1));
            QCOMPARE(reports[0].symbols.size(), size_t(1));
            env.prompter.Clear();
            QCOMPARE(mw.Jtag()->Upload(doc), kJtagDone);
            QCOMPARE(doc->Doc().Device()->GetSymValue(std::string(type) == "ZelA" ? 4 : 12), 3);
        }
        QVERIFY(QString::fromStdString(mw.Jtag()->Interface().PortName()).contains(QStringLiteral("ZelA, ZelD")));
        // The server goes with its client.
        mw.Jtag()->Interface().Stop();
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(runtime.dir.filePath(QStringLiteral("SVFsvr"))), 5000);
    }

    // The main window with a ZelD schematic and the trace of its download beside it, for the
    // documentation. Runs only when KALIDOR_SCREENSHOT_DIR names the folder to write to (under a
    // real X server: xvfb-run with QT_QPA_PLATFORM=xcb).
    void screenshotOfTheTraceWindow()
    {
        const QString outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty())
            QSKIP("KALIDOR_SCREENSHOT_DIR is not set");
        Environment env;
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelD");
        QTemporaryDir state;
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, state.path().toStdString());
        mw.resize(1500, 860);
        mw.move(10, 10);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        SchDocument* doc = mw.OpenFile(QStringLiteral(KALIDOR_SOURCE_DIR "/support/examples/Lowpass.ZEL"));
        QVERIFY(doc);
        doc->Doc().JtagDevice()->SetTraceOn(1);
        const int result = mw.Jtag()->Download(doc);
        QVERIFY2(result == kJtagDone, qPrintable(Texts(env.prompter).join(QLatin1Char('|'))));
        CJtagTraceView* view = mw.OpenJtagTraceView(doc);
        const QRect area = mw.Mdi()->viewport()->rect();
        const int split = area.width() * 9 / 20;
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList()) {
            w->showNormal();
            const bool isTrace = w->widget() == view;
            w->setGeometry(isTrace ? QRect(split, 0, area.width() - split, area.height())
                                   : QRect(0, 0, split, area.height()));
            if (isTrace)
                mw.Mdi()->setActiveSubWindow(w);
        }
        view->Table()->scrollToTop();
        view->Table()->selectRow(3);
        QTest::qWait(400);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        QVERIFY(shot.copy(mw.frameGeometry().intersected(shot.rect()))
                    .save(QDir(outDir).filePath(QStringLiteral("jtag-trace.png"))));
    }
};

static RegisterTest registerTrace("JtagTraceViewTest", [] { return std::make_unique<JtagTraceViewTest>(); });

}  // namespace kalidor::test

#include "JtagTraceViewTest.moc"
