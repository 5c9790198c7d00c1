// The Import/Export dialog: its texts and choices, the file-or-clipboard destination, Browse with
// the format's filter, the checks on OK, and the exports and imports it runs, compared byte for
// byte with what the export routing composes.
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "device/DeviceConfig.h"
#include "document/Exports.h"
#include "document/SchDoc.h"
#include "document/SpiceExport.h"
#include "document/ui/ImportExportDialog.h"
#include "document/ui/QtExportClipboard.h"
#include "sim/Plot.h"
#include "sim/SimulationSetup.h"

namespace kalidor::test {

namespace {

const QString kExamples = QStringLiteral(KALIDOR_SOURCE_DIR) + "/support/examples/";

QStringList Items(QListWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

QStringList LabelTexts(QWidget* w)
{
    QStringList t;
    for (QLabel* l : w->findChildren<QLabel*>())
        t << l->text();
    return t;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// What the export routing composes for the document in `format` (file name "" = clipboard).
QByteArray Composed(CSchDoc& doc, int format, const std::string& fileName = {})
{
    CExportContext ctx;
    if (!FillExportContext(ctx, doc, doc.RegProgram()))
        return {};
    InstallSpiceModelExporter(ctx);
    std::string text;
    if (!ComposeSchematicExport(ctx, format, fileName, text))
        return {};
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

void PressOk(CImportExportDialog* d) { d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

// Runs the command with `action` acting on its dialog.
bool RunWith(CSchDoc& doc, bool import, const std::function<void(CImportExportDialog*)>& action,
             const CImportExportPlot& plot = {})
{
    bool seen = false;
    OnNextModal(
        [action](QWidget* w) {
            auto* d = qobject_cast<CImportExportDialog*>(w);
            if (!d) {
                static_cast<QDialog*>(w)->reject();
                return;
            }
            action(d);
        },
        5000, &seen);
    const bool r = RunImportExportDialog(nullptr, doc, import, plot);
    if (!seen)
        qWarning("no dialog was shown");
    return r;
}

// Chooses kind, format and a file (or the clipboard for an empty name) and presses OK.
std::function<void(CImportExportDialog*)> Choose(int kind, int format, const QString& file)
{
    return [=](CImportExportDialog* d) {
        d->KindList()->setCurrentRow(kind);
        d->FormatList()->setCurrentRow(format);
        if (file.isEmpty()) {
            d->ClipboardButton()->setChecked(true);
        } else {
            d->FileButton()->setChecked(true);
            d->FileEdit()->setText(file);
        }
        PressOk(d);
        if (d->isVisible())
            d->reject();
    };
}

}  // namespace

class ImportExportDialogTest : public QObject {
    Q_OBJECT
    Environment* env = nullptr;
    QTemporaryDir* dir = nullptr;

    QString Path(const QString& name) const { return dir->filePath(name); }
    QStringList Messages() const { return env->MessageTexts(); }

private slots:
    void init()
    {
        env = new Environment;
        dir = new QTemporaryDir;
    }
    void cleanup()
    {
        delete dir;
        dir = nullptr;
        delete env;
        env = nullptr;
    }

    void exportModeShowsTheChoicesAndTexts()
    {
        CImportExportDialog d(nullptr, false);
        QCOMPARE(d.windowTitle(), QStringLiteral("Export"));
        const QStringList labels = LabelTexts(&d);
        QVERIFY(labels.contains(QStringLiteral("Export What:")));
        QVERIFY(labels.contains(QStringLiteral("In this forma&t:")));
        // The destination has one heading: the group's title, "To Where:" its accessible name.
        QVERIFY(!labels.contains(QStringLiteral("Export To:")));
        QCOMPARE(d.findChild<QGroupBox*>()->title(), QStringLiteral("Export To:"));
        QCOMPARE(d.findChild<QGroupBox*>()->accessibleName(), QStringLiteral("To Where:"));
        QCOMPARE(d.FileButton()->text(), QStringLiteral("&File:"));
        QCOMPARE(d.ClipboardButton()->text(), QStringLiteral("Cli&pboard"));
        QCOMPARE(d.BrowseButton()->text(), QStringLiteral("&Browse..."));
        QVERIFY(d.ClipboardButton()->isEnabled());

        QCOMPARE(Items(d.KindList()), (QStringList{"Schematic", "Plot Data"}));
        QCOMPARE(Items(d.FormatList()), (QStringList{"JEDEC File", "Serial Vector Format (SVF)", "Formatted Text",
                                                     "Spice Model"}));
        d.KindList()->setCurrentRow(1);
        QCOMPARE(Items(d.FormatList()), (QStringList{"Delimited with Comma", "Delimited with Semicolon",
                                                     "Delimited with Tab", "Delimited with Space"}));
        QCOMPARE(d.FormatList()->currentRow(), 0);
        d.KindList()->setCurrentRow(0);
        QCOMPARE(d.FormatList()->count(), 4);

        // The clipboard takes no file name.
        d.ClipboardButton()->setChecked(true);
        QVERIFY(!d.FileEdit()->isEnabled());
        QVERIFY(!d.BrowseButton()->isEnabled());
        d.FileEdit()->setText(QStringLiteral("/tmp/x.jed"));
        QCOMPARE(d.Choice().destination, kDestinationClipboard);
        QVERIFY(d.Choice().fileName.empty());
    }

    void importModeReadsFilesOnly()
    {
        CImportExportDialog d(nullptr, true, CExportChoice{0, 0, kDestinationClipboard, {}});
        QCOMPARE(d.windowTitle(), QStringLiteral("Import"));
        const QStringList labels = LabelTexts(&d);
        QVERIFY(labels.contains(QStringLiteral("Import What:")));
        QCOMPARE(d.findChild<QGroupBox*>()->title(), QStringLiteral("Import From:"));
        QVERIFY(!labels.contains(QStringLiteral("Export What:")));
        QCOMPARE(Items(d.FormatList()), QStringList{"JEDEC File"});
        d.KindList()->setCurrentRow(1);
        QCOMPARE(Items(d.FormatList()), QStringList{"Gain/Phase Data"});
        // A remembered clipboard destination does not carry over into an import.
        QVERIFY(!d.ClipboardButton()->isEnabled());
        QVERIFY(d.FileButton()->isChecked());
        QCOMPARE(d.Choice().destination, kDestinationFile);
    }

    void opensOnTheGivenChoiceAndRejectsOutOfRangeOnes()
    {
        CImportExportDialog a(nullptr, false, CExportChoice{1, 2, kDestinationClipboard, {}});
        QCOMPARE(a.KindList()->currentRow(), 1);
        QCOMPARE(a.FormatList()->currentRow(), 2);
        QVERIFY(a.ClipboardButton()->isChecked());
        CImportExportDialog b(nullptr, false, CExportChoice{7, 9, kDestinationFile, {}});
        QCOMPARE(b.KindList()->currentRow(), 0);
        QCOMPARE(b.FormatList()->currentRow(), 0);
        CImportExportDialog c(nullptr, true, CExportChoice{0, 3, kDestinationFile, {}});
        QCOMPARE(c.FormatList()->currentRow(), 0);
    }

    void fileFiltersInQtForm()
    {
        QCOMPARE(QtFileFilter("Jedec Files (*.jed)|*.jed|All Files (*.*)|*.*||"),
                 QStringLiteral("Jedec Files (*.jed);;All Files (*)"));
        QCOMPARE(QtFileFilter("Spice Model (*.lib)|*.lib|All Files (*.*)|*.*||"),
                 QStringLiteral("Spice Model (*.lib);;All Files (*)"));
        QCOMPARE(QtFileFilter("Two (*.a;*.b)|*.a;*.b||"), QStringLiteral("Two (*.a *.b)"));
        QCOMPARE(QtFileFilter(""), QString());
        QCOMPARE(QtFileFilter("Broken|"), QStringLiteral("Broken ()"));
    }

    void browseUsesTheSelectedFormatsFilter()
    {
        CImportExportDialog d(nullptr, false, {}, Path("design.ZEL"));
        QString filter, current, caption;
        QString answer = Path("out");
        d.SetFileAsker([&](QWidget*, const QString& cap, const QString& f, const QString& cur) {
            caption = cap;
            filter = f;
            current = cur;
            return answer;
        });
        const QStringList expected = {"Jedec Files (*.jed);;All Files (*)", "SVF Files (*.svf);;All Files (*)",
                                      "Schematic Files (*.txt);;All Files (*)",
                                      "Spice Model (*.lib);;All Files (*)"};
        for (int f = 0; f < 4; ++f) {
            d.FileEdit()->clear();
            d.FormatList()->setCurrentRow(f);
            d.BrowseButton()->click();
            QCOMPARE(filter, expected[f]);
            QCOMPARE(caption, QStringLiteral("Save As"));
        }
        // Starts on the design's name with the format's extension; a name without one gets it.
        QCOMPARE(current, Path("design.lib"));
        QCOMPARE(d.FileEdit()->text(), Path("out.lib"));
        d.KindList()->setCurrentRow(1);
        d.FormatList()->setCurrentRow(3);
        d.BrowseButton()->click();
        QCOMPARE(filter, QStringLiteral("Text Files (*.csv);;All Files (*)"));

        // Cancelling the file dialog keeps the name.
        answer.clear();
        d.FileEdit()->setText(QStringLiteral("keep.csv"));
        d.BrowseButton()->click();
        QCOMPARE(d.FileEdit()->text(), QStringLiteral("keep.csv"));

        CImportExportDialog i(nullptr, true);
        i.SetFileAsker([&](QWidget*, const QString& cap, const QString& f, const QString&) {
            caption = cap;
            filter = f;
            return QStringLiteral("/data/in");
        });
        i.BrowseButton()->click();
        QCOMPARE(caption, QStringLiteral("Open"));
        QCOMPARE(filter, QStringLiteral("Jedec Files (*.jed);;All Files (*)"));
        QCOMPARE(i.FileEdit()->text(), QDir::toNativeSeparators(QStringLiteral("/data/in")));  // no extension added
    }

    void realFileDialogGetsTheFilter()
    {
        CImportExportDialog d(nullptr, false);
        d.FormatList()->setCurrentRow(1);
        QStringList filters;
        OnNextModal([&](QWidget* w) {
            if (auto* fd = qobject_cast<QFileDialog*>(w))
                filters = fd->nameFilters();
            static_cast<QDialog*>(w)->reject();
        });
        d.BrowseButton()->click();
        QCOMPARE(filters, (QStringList{"SVF Files (*.svf)", "All Files (*)"}));
    }

    void fileNameFollowsTheFormat()
    {
        CImportExportDialog d(nullptr, false);
        d.FileEdit()->setText(QStringLiteral("/x/out.jed"));
        d.FormatList()->setCurrentRow(1);
        QCOMPARE(d.FileEdit()->text(), QStringLiteral("/x/out.svf"));
        d.FormatList()->setCurrentRow(2);
        QCOMPARE(d.FileEdit()->text(), QStringLiteral("/x/out.txt"));
        d.KindList()->setCurrentRow(1);
        QCOMPARE(d.FileEdit()->text(), QStringLiteral("/x/out.csv"));
        // A name of the user's own choosing stays.
        d.FileEdit()->setText(QStringLiteral("/x/notes.dat"));
        d.KindList()->setCurrentRow(0);
        QCOMPARE(d.FileEdit()->text(), QStringLiteral("/x/notes.dat"));
    }

    void relativeNamesAreTakenFromTheDesignsFolder()
    {
        CImportExportDialog d(nullptr, false, {}, QStringLiteral("/work/designs/filter.ZEL"));
        d.FileEdit()->setText(QStringLiteral("  out/filter.jed "));
        QCOMPARE(QString::fromStdString(d.Choice().fileName), QStringLiteral("/work/designs/out/filter.jed"));
        d.FileEdit()->setText(QStringLiteral("/abs/../abs/a.jed"));
        QCOMPARE(QString::fromStdString(d.Choice().fileName), QStringLiteral("/abs/a.jed"));
    }

    void okWithoutFileNameKeepsTheDialogOpen()
    {
        for (bool import : {false, true}) {
            env->prompter.Clear();
            CImportExportDialog d(nullptr, import);
            d.show();
            d.FileEdit()->setText(QStringLiteral("   "));
            PressOk(&d);
            QVERIFY(d.isVisible());
            QVERIFY(d.result() != QDialog::Accepted);
            QCOMPARE(Messages(), QStringList{"Filename is required for Export/Import to file"});
            d.reject();
        }
        // The clipboard needs no name.
        env->prompter.Clear();
        CImportExportDialog d(nullptr, false);
        d.show();
        d.ClipboardButton()->setChecked(true);
        PressOk(&d);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(Messages().isEmpty());
    }

    void typedNameOfAnExistingFileAsksBeforeReplacing()
    {
        CSchDoc doc;
        QVERIFY(doc.OnNewDocument("ZelA"));
        const QString file = Path("old.jed");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("keep me");
        }
        env->prompter.Script(Answer::No);
        QVERIFY(!RunWith(doc, false, Choose(0, 0, file)));
        QCOMPARE(env->prompter.messages.size(), size_t(1));
        QCOMPARE(Messages()[0], file + QStringLiteral(" already exists.\nDo you want to replace it?"));
        QCOMPARE(ReadAll(file), QByteArray("keep me"));

        env->prompter.Clear();
        env->prompter.Script(Answer::Yes);
        QVERIFY(RunWith(doc, false, Choose(0, 0, file)));
        QCOMPARE(ReadAll(file), Composed(doc, kFormatJedec));

        // A name confirmed by Browse's file dialog is not asked about again.
        env->prompter.Clear();
        QVERIFY(RunWith(doc, false, [&](CImportExportDialog* d) {
            d->KindList()->setCurrentRow(0);
            d->FormatList()->setCurrentRow(2);
            d->SetFileAsker([&](QWidget*, const QString&, const QString&, const QString&) { return file; });
            d->BrowseButton()->click();
            PressOk(d);
        }));
        QVERIFY(Messages().isEmpty());
        QCOMPARE(ReadAll(file), Composed(doc, kFormatText));
    }

    void eachSchematicFormatToAFile()
    {
        CSchDoc doc;
        QVERIFY(doc.OnOpenDocument((kExamples + "ZelA_GainStage.ZEL").toStdString()));
        const char* names[] = {"a.jed", "a.svf", "a.txt", "filter1.lib"};
        for (int f = 0; f < 4; ++f) {
            env->prompter.Clear();
            const QString file = Path(names[f]);
            QVERIFY2(RunWith(doc, false, Choose(0, f, file)), qPrintable(Messages().join('\n')));
            const QByteArray written = ReadAll(file);
            QVERIFY(!written.isEmpty());
            QCOMPARE(written, Composed(doc, f, file.toStdString()));
            QVERIFY(Messages().isEmpty());
        }
        QVERIFY(ReadAll(Path("a.svf")).startsWith("! Kalidor SVF Export\r\n! ZelA IDCODE Check, Download and Verify \r\n! \r\n! File: "));
        // The Spice model takes its name from the file.
        QVERIFY(ReadAll(Path("filter1.lib")).contains("filter1"));
        QVERIFY(ReadAll(Path("a.txt")).contains("BeginSchematic\r\n"));
    }

    void eachSchematicFormatToTheClipboard()
    {
        CSchDoc doc;
        QVERIFY(doc.OnOpenDocument((kExamples + "ZelE_Lowpass.ZEL").toStdString()));
        for (int f = 0; f < 4; ++f) {
            QApplication::clipboard()->setText(QStringLiteral("before"));
            env->prompter.Clear();
            QVERIFY2(RunWith(doc, false, Choose(0, f, {})), qPrintable(Messages().join('\n')));
            const QByteArray expected = Composed(doc, f);
            QVERIFY(!expected.isEmpty());
            QCOMPARE(QApplication::clipboard()->text().toUtf8(), expected);
        }
        // Without a file name the Spice model is named after the device type.
        QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("ZelE_SpiceModel")));
    }

    void clipboardClassPutsTheTextAsIs()
    {
        QtExportClipboard clip;
        const std::string text = "\x02" "a\r\nb \xC3\xA9\r\n\x03" "0000";
        QVERIFY(PutTextOnClipboard(clip, text));
        QCOMPARE(QApplication::clipboard()->text().toUtf8(), QByteArray::fromStdString(text));
        // Each step needs the clipboard open.
        QtExportClipboard closed;
        QVERIFY(!closed.Empty());
        QCOMPARE(closed.SetText("x"), CExportClipboard::SetResult::kSetFailed);
        QVERIFY(!closed.Close());
    }

    void exportFailureIsReported()
    {
        CSchDoc doc;
        QVERIFY(doc.OnNewDocument("ZelB"));
        QVERIFY(!RunWith(doc, false, Choose(0, 2, Path("no/such/folder/a.txt"))));
        QCOMPARE(Messages(), QStringList{"File could not be opened"});
    }

    void jedecImportRestoresTheCells()
    {
        CSchDoc source;
        QVERIFY(source.OnOpenDocument((kExamples + "ZelA_GainStage.ZEL").toStdString()));
        const QString file = Path("gain.jed");
        QVERIFY(RunWith(source, false, Choose(0, 0, file)));

        CSchDoc target;
        QVERIFY(target.OnNewDocument("ZelA"));
        DeviceConfig& s = *source.Device();
        DeviceConfig& t = *target.Device();
        auto differing = [&] {
            int n = 0;
            for (int i = 0; i < s.GetCellCount(); ++i)
                n += s.E2_GetValue(i) != t.E2_GetValue(i);
            return n;
        };
        QVERIFY(differing() > 0);
        QVERIFY(!target.IsModified());
        env->prompter.Clear();
        QVERIFY(RunWith(target, true, Choose(0, 0, file)));
        QCOMPARE(differing(), 0);
        QVERIFY(target.IsModified());
        QVERIFY(Messages().isEmpty());
    }

    void importOfAMissingFileChangesNothing()
    {
        CSchDoc doc;
        QVERIFY(doc.OnNewDocument("ZelA"));
        const std::string before = doc.WriteDesign();
        QVERIFY(!RunWith(doc, true, Choose(0, 0, Path("missing.jed"))));
        QCOMPARE(Messages(), QStringList{"File could not be opened"});
        QCOMPARE(doc.WriteDesign(), before);
        QVERIFY(!doc.IsModified());
    }

    void cancelDoesNothing()
    {
        CSchDoc doc;
        QVERIFY(doc.OnNewDocument("ZelA"));
        const QString file = Path("never.jed");
        QVERIFY(!RunWith(doc, false, [&](CImportExportDialog* d) {
            d->FileEdit()->setText(file);
            d->reject();
        }));
        QVERIFY(!QFile::exists(file));
    }

    void plotDataThroughThePlot()
    {
        CSchDoc doc;
        QVERIFY(doc.OnNewDocument("ZelA"));
        // Without a plot the user is told so.
        QVERIFY(!RunWith(doc, false, Choose(1, 0, Path("p.csv"))));
        QCOMPARE(Messages(), QStringList{QString::fromUtf8(kMsgPlotExportUnavailable.data(),
                                                           qsizetype(kMsgPlotExportUnavailable.size()))});

        CPlot plot(*doc.Simulation());
        int hint = -1;
        CImportExportPlot hooks{&plot, [&](int h) { hint = h; }};
        // An empty active curve exports nothing, and says so.
        env->prompter.Clear();
        QVERIFY(!RunWith(doc, false, Choose(1, 0, Path("p.csv")), hooks));
        QCOMPARE(Messages(), QStringList{"The active curve has no simulated data.\nNothing was exported."});
        QVERIFY(!QFile::exists(Path("p.csv")));

        const int curve = plot.GetActiveCurve();
        plot.AppendPoint(curve, {100.0, -1.5, -10.0});
        plot.AppendPoint(curve, {1000.0, -3.0, -45.0});
        plot.OnCurveComplete(curve);
        for (int f = 0; f < 4; ++f) {
            env->prompter.Clear();
            const QString file = Path(QStringLiteral("p%1.csv").arg(f));
            QVERIFY(RunWith(doc, false, Choose(1, f, file), hooks));
            QCOMPARE(ReadAll(file), QByteArray::fromStdString(plot.ExportText(f)));
        }
        QVERIFY(ReadAll(Path("p2.csv")).contains('\t'));
        QVERIFY(RunWith(doc, false, Choose(1, 1, {}), hooks));
        QCOMPARE(QApplication::clipboard()->text().toStdString(), plot.ExportText(1));

        // Import into a fresh plot: the points come back and the window is told.
        CSchDoc other;
        QVERIFY(other.OnNewDocument("ZelA"));
        CPlot fresh(*other.Simulation());
        CImportExportPlot freshHooks{&fresh, [&](int h) { hint = h; }};
        QVERIFY(RunWith(other, true, Choose(1, 0, Path("p0.csv")), freshHooks));
        QCOMPARE(hint, 3);
        QCOMPARE(fresh.Points(fresh.GetActiveCurve()).size(), size_t(2));
        QCOMPARE(fresh.ExportText(0), plot.ExportText(0));
    }
};

static RegisterTest registerImportExport("ImportExportDialogTest",
                                         [] { return std::make_unique<ImportExportDialogTest>(); });

}  // namespace kalidor::test

#include "ImportExportDialogTest.moc"
