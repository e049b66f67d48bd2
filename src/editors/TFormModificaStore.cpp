// The parameter editor's store: the edits into the model, the list of what they change in the
// ECU with the one question, the writes, and putting the ECU back ("Annulla ultima scrittura").
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <map>
#include <optional>

#include "AdaptationPage.h"
#include "EditorFieldMap.h"
#include "EditorStoreRules.h"
#include "LivePause.h"
#include "QtText.h"
#include "StorePreview.h"
#include "TFormAttesaFile.h"
#include "TFormModifica.h"
#include "TUpDown.h"
#include "UndoLastWrite.h"

namespace zov {
namespace {

using F = EditorFieldMap;

// Beyond this the question would not fit a screen; the count of the rest is shown instead.
constexpr size_t kPreviewLines = 24;

// What the installer reads beside an edit: the caption before it and the unit after it.
struct FormRowTexts {
    QString caption;
    QString unit;
};

QString LabelText(QLayout* layout, int index) {
    if (index < 0 || index >= layout->count()) return {};
    const auto* label = qobject_cast<QLabel*>(layout->itemAt(index)->widget());
    return label != nullptr ? StripAccelerator(label->text()).trimmed() : QString();
}

void Tidy(FormRowTexts& texts) {
    // A range in brackets is a hint, not a unit.
    if (texts.unit.startsWith(QLatin1Char('('))) texts.unit.clear();
    if (texts.caption.endsWith(QLatin1Char(':'))) texts.caption.chop(1);
}

// The row of a form grid (caption in column 0, the edit alone or with its unit in column 1), or
// the line of labels around the edit, that holds `edit`, looked for through the nested layouts of
// `layout`.
bool FindFormRow(QLayout* layout, const QWidget* edit, FormRowTexts& out) {
    if (const int at = layout->indexOf(edit); at >= 0 && qobject_cast<QBoxLayout*>(layout) != nullptr) {
        out.caption = LabelText(layout, at - 1);
        out.unit = LabelText(layout, at + 1);
        Tidy(out);
        return true;
    }
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            QLayoutItem* cell = grid->itemAtPosition(r, 1);
            if (cell == nullptr) continue;
            QLayout* box = cell->layout();
            const int at = box != nullptr ? box->indexOf(edit) : -1;
            if (cell->widget() != edit && at < 0) continue;
            if (QLayoutItem* caption = grid->itemAtPosition(r, 0))
                if (auto* label = qobject_cast<QLabel*>(caption->widget()))
                    out.caption = StripAccelerator(label->text()).trimmed();
            if (at >= 0) out.unit = LabelText(box, at + 1);
            Tidy(out);
            return true;
        }
    }
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = layout->itemAt(i)->layout(); inner != nullptr && FindFormRow(inner, edit, out))
            return true;
    return false;
}

FormRowTexts FormRowOf(const QWidget* edit) {
    FormRowTexts texts;
    const QWidget* holder = edit->parentWidget();
    if (holder == nullptr || holder->layout() == nullptr || !FindFormRow(holder->layout(), edit, texts))
        texts.caption = edit->objectName();
    return texts;
}

}  // namespace

void TFormModifica::ButtonModificaClick(bool asked) {
    if (!CheckFocusedEdit()) return;
    if (!CheckLevelReferences()) return;
    LivePause pause(enrichment_);
    PageAdattativita->SyncUpDowns();
    if (!ConfirmStore(asked)) return;
    // Every write goes out whatever the ECU refuses; the store then ends naming what it kept.
    ctx_.model.ClearRefusedWrites();
    StoreToModel();
    PageAdattativita->StoreScalars(ctx_.param);
    StoreIdleGains(Fields());
    ReportRefusedWrites(ctx_.model.RefusedWrites());
    ButtonAnnullaScrittura->setEnabled(LastWriteUndoable(ctx_));
    if (outOfArchive_ && LoadBaseMap()) ButtonEsci->setFocus();
}

bool TFormModifica::ConfirmStore(bool asked) {
    // Without a session the store reaches the model alone: nothing changes in an ECU.
    if (!ctx_.link.IsConnected()) return true;
    // Held aside now, while the model is still what the ECU holds; it replaces the earlier undo
    // only once the installer has said yes.
    WriteUndo undo;
    // A vehicle outside the archive gets its base map after the store: the undo takes it back too.
    const unsigned parts = WriteUndo::kVehicle | (outOfArchive_ ? WriteUndo::kMap : 0u);
    const bool undoable = undo.Remember(ctx_.model, parts);
    if (asked) {
        ctx_.lastWrite = std::move(undo);
        return true;
    }
    const std::optional<StorePreview::Preview> changes =
        StorePreview::Of(ctx_, [this](ConfCar& car, ConfParam& param) { ApplyAllEdits(car, param); });
    if (!changes || !changes->Empty() || !undoable) {
        std::string text = changes ? texts_.valoriInScrittura + "\n" +
                                         StorePreview::Lines(*changes, PreviewTexts(), kPreviewLines)
                                   : texts_.anteprimaNonDisp;
        if (!undoable) text += "\n\n" + texts_.annullaNonDisp;
        text += "\n\n" + texts_.scaricaValori;
        if (Ask(text, PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) return false;
    }
    ctx_.lastWrite = std::move(undo);
    return true;
}

StorePreview::Texts TFormModifica::PreviewTexts() const {
    std::map<int, QLineEdit*> edits;
    for (const auto& [edit, field] : CheckedEdits()) edits[field] = edit;
    const auto row = [edits](int field) {
        const auto found = edits.find(field);
        return found == edits.end() ? FormRowTexts{} : FormRowOf(found->second);
    };
    StorePreview::Texts texts;
    texts.caption = [row](int field) { return ToCp1252(row(field).caption); };
    texts.unit = [row](int field) { return ToCp1252(row(field).unit); };
    texts.cutoffOff = texts_.cutoffSpento;
    return texts;
}

void TFormModifica::ButtonAnnullaScritturaClick() {
    LivePause pause(enrichment_);
    const UndoTexts texts{texts_.annullaScrittura,   texts_.errAnnulla,  windowTitle(),
                          texts_.finestraScaricaCpu, texts_.aggiornaCpu, texts_.completato};
    if (UndoLastWrite(ctx_, this, texts)) {
        // The model holds the earlier values again: the pages show them, and nothing is pending.
        FillFromModel();
        FillAdaptation();
        valuesChanged_ = false;
    }
    ButtonAnnullaScrittura->setEnabled(LastWriteUndoable(ctx_));
}

void TFormModifica::StoreIdleGains(EditorFieldMap fields) {
    fields.StoreIdleGains(ReadEditInt(EditGApMin, F::Fallback(F::kGApMin, 0)),
                          ReadEditInt(EditGChMin, F::Fallback(F::kGChMin, 0)));
}

void TFormModifica::ShowWriteProgress(TFormAttesaFile& progress) {
    progress.setWindowTitle(texts_.finestraScaricaCpu);
    progress.Label1->setText(texts_.aggiornaCpu);
    progress.completionText = texts_.completato;
    progress.show();
    progress.repaint();
}

void TFormModifica::StoreToModel() {
    TFormAttesaFile progress(this);
    ShowWriteProgress(progress);

    ApplyEdits(ctx_.car, ctx_.param, true,
               [&](int percent) { progress.SetProgress(uint8_t(percent), true); });
    // Refusals land in the model's log, reported once the whole store is out.
    (void)ctx_.car.WriteToEcu();
    progress.SetProgress(80, true);

    PageAdattativita->StoreToModel();
    valuesChanged_ = false;
    progress.SetProgress(100, true);
    progress.close();
}

void TFormModifica::ApplyEdits(ConfCar& car, ConfParam& param, bool final,
                               const std::function<void(int)>& progress) {
    const int32_t version = car.VERSIONE_CENTRALINA;
    EditorFieldMap fields(car, param);

    // A sensor type the combo cannot show keeps its index; the references are read as the
    // chosen type shows them.
    const int sensor = ComboSens->currentIndex();
    const auto store = [&](std::initializer_list<std::pair<QLineEdit*, int>> edits) {
        for (const auto& [edit, field] : edits)
            fields.Store(field, ReadEditInt(edit, F::Fallback(field, sensor)), sensor);
    };

    // Changeover.
    store({{EditRitMax, F::kRitMax},
           {EditRitMin, F::kRitMin},
           {EditTMin, F::kTMin},
           {EditTSovrappos, F::kTSovrappos},
           {EditGiriMin, F::kGiriMin},
           {EditFuoriGiri, F::kFuoriGiri}});
    car.CAMBIO_IN_DECELERAZIONE = RadioCambioAcc->isChecked() ? 0 : 1;
    if (progress) progress(20);

    // Emulation.
    store({{EditEmOnde, F::kEmOnde}, {EditEmAlto, F::kEmAlto}, {EditEmBasso, F::kEmBasso}});
    fields.StoreDecimal(F::kEmTri, ReadEditFloat(EditEmTri, F::DecimalFallback(F::kEmTri)));

    // Level sensor.
    if (sensor >= 0) car.TIPO_DI_SENSORE = sensor;
    store({{EditIsteresi, F::kIsteresi},
           {EditRif1, F::kRif1},
           {EditRif2, F::kRif2},
           {EditRif3, F::kRif3},
           {EditRif4, F::kRif4}});
    if (progress) progress(40);

    // Cutoff.
    store({{EditRitCutoff, F::kRitCutoff}, {EditGiriUCF, F::kGiriUCF}});
    car.COEFF16_APERTURA_CUTOFF = UpDownCutOff->Position();
    store({{EditGiriACF, F::kGiriACF}});
    car.DEFAULT_REGISTRO_CONFIGURAZIONE =
        EditorStoreRules::StoreRegister(car.DEFAULT_REGISTRO_CONFIGURAZIONE, version,
                                        CheckCutoffBenzina->isChecked(), CheckBoxCambioFreddo->isChecked());

    // Vehicle. Combos without a selection (a code outside their list) leave the model's code.
    store({{EditMinCumulo, F::kMinCumulo}});
    if ((car.TIPO_DI_CARBURANTE != 0 ? 1 : 0) != ComboAlim->currentIndex())
        car.TIPO_DI_CARBURANTE = ComboAlim->currentIndex();
    store({{EditCilindrata, F::kCilindrata}});
    if (ComboCilindri->currentIndex() >= 0) car.SetValue(78, ComboCilindri->currentIndex());
    const int lambda = ComboLambda->currentIndex();
    if (lambda >= 0) car.SetValue(76, lambda);
    if (const auto preset = EditorStoreRules::LambdaPresetFor(lambda, lambdaTypeAtLoad_, version)) {
        if (final) lambdaTypeAtLoad_ = lambda;
        EditorStoreRules::ApplyLambdaPreset(car, *preset);
    }
    car.TIPO_DI_TPS =
        EditorStoreRules::PackTps(car.TIPO_DI_TPS, ComboTps->currentIndex(), ComboTpsSwitch->currentIndex());
    fields.StoreDecimal(F::kIstTps, ReadEditFloat(EditIstTps, F::DecimalFallback(F::kIstTps)));
    EditorStoreRules::SetOpenLoop(car, CheckOpenLoop->isChecked());
    store({{EditMaxErrInteg, F::kMaxErrInteg},
           {EditMinErrInteg, F::kMinErrInteg},
           {EditMaxErrIntegMin, F::kMaxErrIntegMin},
           {EditMinErrIntegMin, F::kMinErrIntegMin}});
}

void TFormModifica::ApplyAllEdits(ConfCar& car, ConfParam& param) {
    ApplyEdits(car, param, false, {});
    PageAdattativita->ApplyTo(car, param);
    PageAdattativita->StoreScalars(param);
    StoreIdleGains(EditorFieldMap(car, param));
}

}  // namespace zov
