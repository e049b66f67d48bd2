// The map chart's menu commands and its close.
#include <QAction>
#include <QChart>
#include <QCheckBox>
#include <QInputDialog>
#include <QLineSeries>

#include "BusyCursor.h"
#include "ChartRules.h"
#include "QtText.h"
#include "TFormGrafico.h"

namespace zov {

std::optional<int> TFormGrafico::AskRow(const QString& caption, const QString& prompt) {
    QInputDialog box(this);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(caption);
    box.setLabelText(prompt + QStringLiteral(" (1-16)"));
    box.setTextValue(QString());
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return ChartRules::ParseRowNumber(box.textValue().toStdString());
}

void TFormGrafico::Tell(const std::string& text) {
    ctx_.prompter.Ask(text, ToCp1252(windowTitle()), PromptIcon::Error, PromptButtons::Ok);
}

void TFormGrafico::MenuDeleteClick() {
    bool hidden = false;
    for (int i = 0; i < kRows; ++i) {
        if (Series[size_t(i)]->isVisible() && selected_[size_t(i)]) {
            SelectSeries(i, false);
            SetSeriesVisible(i, false);
            hidden = true;
        }
    }
    if (hidden) return;
    const std::optional<int> row = AskRow(texts_.finestraCancRiga, texts_.messCancRiga);
    if (!row) return;
    SelectSeries(*row, false);
    SetSeriesVisible(*row, false);
}

void TFormGrafico::MenuInsertClick() {
    const std::optional<int> row = AskRow(texts_.finestraInsRiga, texts_.messInsRiga);
    if (row) SetSeriesVisible(*row, true);
}

void TFormGrafico::MenuScalaLogClick() {
    // The action's own toggle already ran when it was triggered from the menu.
    if (sender() != MenuScalaLog) MenuScalaLog->setChecked(!MenuScalaLog->isChecked());
    for (int i = 0; i < kRows; ++i) {
        for (QLineSeries* series : {Series[size_t(i)], BeforeSeries[size_t(i)]}) {
            QList<QPointF> points = series->points();
            for (int j = 0; j < points.size(); ++j) points[j].setX(AxisX(ctx_.map.GetRpm(j)));
            series->replace(points);
        }
    }
    // A zoom on the other scale means nothing on this one.
    ApplyFullRanges();
}

void TFormGrafico::MenuAnnullaZoomClick() { ApplyFullRanges(); }

void TFormGrafico::MenuAnnullaInterpolaClick() {
    bool restored = false;
    {
        BusyCursor busy;
        restored = session_.UndoFit();
    }
    FillChart();
    if (!restored) Tell(texts_.mappaNonRipristinata);
}

void TFormGrafico::MenuScaricaMappaClick() {
    const std::string question = ToCp1252(texts_.celleCambiano.arg(session_.CellsToDownload()));
    if (ctx_.prompter.Ask(question, ToCp1252(windowTitle()), PromptIcon::Question, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return;
    DownloadMap();
}

void TFormGrafico::DownloadMap() {
    bool downloaded = false;
    {
        BusyCursor busy;
        downloaded = session_.Download();
    }
    ShowUndoState();
    ShowChanges();
    // The fitted map stays for a retry; the ECU's mixed rows are named.
    if (!downloaded)
        Tell(texts_.mappaNonScaricata + "\n" + texts_.mappaMista + " " + session_.NewRowsOfLastDownload());
}

void TFormGrafico::CheckMappaPrimaClick() { ShowBeforeSeries(); }

void TFormGrafico::done(int result) {
    if (!closing_ && session_.AsksOnClose()) {
        closing_ = true;
        const PromptAnswer answer = ctx_.prompter.Ask(texts_.scaricaMappa, ToCp1252(windowTitle()),
                                                      PromptIcon::Warning, PromptButtons::YesNo);
        if (answer == PromptAnswer::Yes)
            DownloadMap();
        else
            MenuAnnullaInterpolaClick();
        closing_ = false;
        // A download that did not arrive leaves the choice open: the window stays.
        if (session_.AsksOnClose()) return;
    }
    QDialog::done(result);
}

}  // namespace zov
