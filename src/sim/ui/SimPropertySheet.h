// The "Simulator Options" property sheet: one page per curve and the General page. It edits
// the simulation setup it is given; OK stores the pages that were shown, in page order, and
// never starts a run.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QTabWidget>
#include <QWidget>

#include "sim/SimOptions.h"
#include "sim/SimulationSetup.h"

namespace kalidor {

// One curve page: F Start, F Stop, Points/Decade, Input node, Output node, Configuration.
class CSimCurvePage : public QWidget {
    Q_OBJECT
public:
    CSimCurvePage(CSimulationSetup& setup, int curve, QWidget* parent = nullptr);

    int Curve() const { return m_curve; }
    bool WasShown() const { return m_shown; }
    // The controls' values, as the page's OK reads them.
    CurvePageValues Values() const;
    // Stores the values into the curve; false after "Frequency Entry Incorrect".
    bool Apply();

    QComboBox* StartBox() const { return m_start; }
    QComboBox* StopBox() const { return m_stop; }
    QComboBox* PointsBox() const { return m_points; }
    QComboBox* InputBox() const { return m_input; }
    QComboBox* OutputBox() const { return m_output; }
    QComboBox* ConfigurationBox() const { return m_config; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    CSimulationSetup& m_setup;
    int m_curve;
    bool m_shown = false;
    QComboBox* m_start;
    QComboBox* m_stop;
    QComboBox* m_points;
    QComboBox* m_input;
    QComboBox* m_output;
    QComboBox* m_config;
};

class CSimPropertyPage1 : public CSimCurvePage {
public:
    CSimPropertyPage1(CSimulationSetup& s, QWidget* p = nullptr) : CSimCurvePage(s, 0, p) {}
};
class CSimPropertyPage2 : public CSimCurvePage {
public:
    CSimPropertyPage2(CSimulationSetup& s, QWidget* p = nullptr) : CSimCurvePage(s, 1, p) {}
};
class CSimPropertyPage3 : public CSimCurvePage {
public:
    CSimPropertyPage3(CSimulationSetup& s, QWidget* p = nullptr) : CSimCurvePage(s, 2, p) {}
};
class CSimPropertyPage4 : public CSimCurvePage {
public:
    CSimPropertyPage4(CSimulationSetup& s, QWidget* p = nullptr) : CSimCurvePage(s, 3, p) {}
};

// The General page: "Run Simulation after change to schematic".
class CSimPropertyPageGeneral : public QWidget {
    Q_OBJECT
public:
    CSimPropertyPageGeneral(CSimulationSetup& setup, QWidget* parent = nullptr);
    void Apply();
    QCheckBox* AutoRunBox() const { return m_autoRun; }

private:
    CSimulationSetup& m_setup;
    QCheckBox* m_autoRun;
};

class CSimPropertySheet : public QDialog {
    Q_OBJECT
public:
    // Opens on the page of the setup's active curve.
    CSimPropertySheet(CSimulationSetup& setup, QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return m_tabs; }
    CSimCurvePage* CurvePage(int curve) const { return m_pages[curve < 0 || curve > 3 ? 0 : curve]; }
    CSimPropertyPageGeneral* GeneralPage() const { return m_general; }

    // The OK of every page; the sheet closes even when a page showed a message.
    void accept() override;

private:
    CSimulationSetup& m_setup;
    QTabWidget* m_tabs;
    CSimCurvePage* m_pages[4];
    CSimPropertyPageGeneral* m_general;
};

// Opens the sheet modally; true when it was closed with OK.
bool ShowSimulatorOptions(CSimulationSetup& setup, QWidget* parent);

}  // namespace kalidor
