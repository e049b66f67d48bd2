#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPdfDocument;
class QPdfSearchModel;
class QPdfView;
class QPushButton;

namespace zov {

// "Schema di montaggio": an instruction document shown in the program's own PDF view, with page
// steps, zoom and a text search. The caller sets the caption and the OK text, opens the document
// and shows the window modally, maximized.
class TFormSchema : public QDialog {
    Q_OBJECT

  public:
    explicit TFormSchema(QWidget* parent = nullptr);
    ~TFormSchema() override;

    // Loads `path`; false when it is not a readable PDF (the window then shows nothing).
    bool Open(const QString& path);

    int PageCount() const;
    int CurrentPage() const;
    void GoToPage(int page);
    void ZoomIn();
    void ZoomOut();
    // The search text of EditCerca: the first result is shown as soon as it is found; each
    // further call (ButtonCerca, Enter) moves to the next one, after the last back to the first.
    void FindNext();
    int ResultCount() const;
    // The result shown; -1 when none.
    int CurrentResult() const { return result_; }

    QPdfView* PdfSchema;
    QPushButton* ButtonPaginaPrec;
    QPushButton* ButtonPaginaSucc;
    QLabel* LabelPagina;
    QPushButton* ButtonZoomMeno;
    QPushButton* ButtonZoomPiu;
    QPushButton* ButtonAdatta;
    QLabel* LabelCerca;
    QLineEdit* EditCerca;
    QPushButton* ButtonCerca;
    QLabel* LabelRisultati;
    QPushButton* Button1;

  private:
    void ShowResult(int index);
    void UpdatePageLabel();
    void UpdateResultLabel();

    QPdfDocument* document_;
    QPdfSearchModel* search_;
    int result_ = -1;
};

}  // namespace zov
