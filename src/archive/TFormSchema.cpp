#include "TFormSchema.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPdfLink>
#include <QPdfPageNavigator>
#include <QPdfSearchModel>
#include <QPdfView>
#include <QPushButton>
#include <QVBoxLayout>

#include "SchemaView.h"

namespace zov {

namespace {

QPushButton* ToolButton(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setFixedWidth(36);
    return b;
}

}  // namespace

TFormSchema::TFormSchema(QWidget* parent)
    : QDialog(parent), document_(new QPdfDocument(this)), search_(new QPdfSearchModel(this)) {
    setObjectName(QStringLiteral("FormSchema"));
    setWindowTitle(QStringLiteral("Schema di montaggio"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    PdfSchema = new QPdfView(this);
    PdfSchema->setObjectName(QStringLiteral("PdfSchema"));
    PdfSchema->setDocument(document_);
    PdfSchema->setPageMode(QPdfView::PageMode::MultiPage);
    PdfSchema->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    search_->setDocument(document_);

    ButtonPaginaPrec = ToolButton(this, "ButtonPaginaPrec", QStringLiteral("<"));
    LabelPagina = new QLabel(this);
    LabelPagina->setObjectName(QStringLiteral("LabelPagina"));
    LabelPagina->setMinimumWidth(60);
    LabelPagina->setAlignment(Qt::AlignCenter);
    ButtonPaginaSucc = ToolButton(this, "ButtonPaginaSucc", QStringLiteral(">"));
    ButtonZoomMeno = ToolButton(this, "ButtonZoomMeno", QStringLiteral("-"));
    ButtonZoomPiu = ToolButton(this, "ButtonZoomPiu", QStringLiteral("+"));
    ButtonAdatta = ToolButton(this, "ButtonAdatta", QStringLiteral("<->"));
    ButtonAdatta->setFixedWidth(48);
    LabelCerca = new QLabel(QStringLiteral("Cerca:"), this);
    LabelCerca->setObjectName(QStringLiteral("LabelCerca"));
    EditCerca = new QLineEdit(this);
    EditCerca->setObjectName(QStringLiteral("EditCerca"));
    EditCerca->setClearButtonEnabled(true);
    EditCerca->setMaximumWidth(220);
    ButtonCerca = ToolButton(this, "ButtonCerca", QStringLiteral(">>"));
    LabelRisultati = new QLabel(this);
    LabelRisultati->setObjectName(QStringLiteral("LabelRisultati"));
    LabelRisultati->setMinimumWidth(60);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);

    connect(ButtonPaginaPrec, &QPushButton::clicked, this, [this] { GoToPage(CurrentPage() - 1); });
    connect(ButtonPaginaSucc, &QPushButton::clicked, this, [this] { GoToPage(CurrentPage() + 1); });
    connect(ButtonZoomMeno, &QPushButton::clicked, this, &TFormSchema::ZoomOut);
    connect(ButtonZoomPiu, &QPushButton::clicked, this, &TFormSchema::ZoomIn);
    connect(ButtonAdatta, &QPushButton::clicked, this,
            [this] { PdfSchema->setZoomMode(QPdfView::ZoomMode::FitToWidth); });
    connect(ButtonCerca, &QPushButton::clicked, this, &TFormSchema::FindNext);
    connect(EditCerca, &QLineEdit::returnPressed, this, &TFormSchema::FindNext);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(PdfSchema->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this,
            [this] { UpdatePageLabel(); });
    // Results come in page by page while the search runs: the first is shown as soon as it is
    // there.
    connect(search_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (result_ < 0 && ResultCount() > 0) ShowResult(0);
        UpdateResultLabel();
    });
    connect(search_, &QAbstractItemModel::modelReset, this, [this] {
        result_ = -1;
        UpdateResultLabel();
    });

    auto* tools = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{ButtonPaginaPrec, LabelPagina, ButtonPaginaSucc,
                                                      ButtonZoomMeno, ButtonZoomPiu, ButtonAdatta})
        tools->addWidget(w);
    tools->addSpacing(16);
    for (QWidget* w : std::initializer_list<QWidget*>{LabelCerca, EditCerca, ButtonCerca, LabelRisultati})
        tools->addWidget(w);
    tools->addStretch();
    tools->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(PdfSchema, 1);
    resize(800, 600);
}

bool TFormSchema::Open(const QString& path) {
    const bool ok = document_->load(path) == QPdfDocument::Error::None && document_->pageCount() > 0;
    if (!ok) document_->close();
    result_ = -1;
    UpdatePageLabel();
    UpdateResultLabel();
    return ok;
}

int TFormSchema::PageCount() const { return document_->pageCount(); }

int TFormSchema::CurrentPage() const { return PdfSchema->pageNavigator()->currentPage(); }

void TFormSchema::GoToPage(int page) {
    if (PageCount() <= 0) return;
    PdfSchema->pageNavigator()->jump(SchemaView::ClampedPage(page, PageCount()), {},
                                     PdfSchema->pageNavigator()->currentZoom());
    UpdatePageLabel();
}

void TFormSchema::ZoomIn() {
    PdfSchema->setZoomMode(QPdfView::ZoomMode::Custom);
    PdfSchema->setZoomFactor(SchemaView::Zoomed(PdfSchema->zoomFactor(), true));
}

void TFormSchema::ZoomOut() {
    PdfSchema->setZoomMode(QPdfView::ZoomMode::Custom);
    PdfSchema->setZoomFactor(SchemaView::Zoomed(PdfSchema->zoomFactor(), false));
}

int TFormSchema::ResultCount() const { return search_->rowCount({}); }

void TFormSchema::FindNext() {
    const QString text = EditCerca->text().trimmed();
    if (text != search_->searchString()) {
        // A new search: its results arrive while the event loop runs.
        result_ = -1;
        search_->setSearchString(text);
        UpdateResultLabel();
        return;
    }
    const int next = SchemaView::NextResult(result_, ResultCount());
    if (next >= 0) ShowResult(next);
}

void TFormSchema::ShowResult(int index) {
    const QPdfLink link = search_->resultAtIndex(index);
    if (!link.isValid()) return;
    result_ = index;
    PdfSchema->pageNavigator()->jump(link.page(), link.location(), PdfSchema->pageNavigator()->currentZoom());
    UpdatePageLabel();
    UpdateResultLabel();
}

void TFormSchema::UpdatePageLabel() {
    LabelPagina->setText(SchemaView::PageText(CurrentPage(), PageCount()));
}

void TFormSchema::UpdateResultLabel() {
    LabelRisultati->setText(
        SchemaView::ResultText(result_, ResultCount(), !search_->searchString().isEmpty()));
}

TFormSchema::~TFormSchema() {
    // The view and the search model go after this object as its children, and tell of their
    // page and results on the way: nothing of this window may answer them then.
    disconnect(PdfSchema->pageNavigator(), nullptr, this, nullptr);
    disconnect(search_, nullptr, this, nullptr);
}

}  // namespace zov
