#include "TFormBaseDlg.h"

#include "base/ExceptionHandler.h"
#include "base/MainWindowRef.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFrame* etchedLine(QWidget* parent, const char* name)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(4);
    return line;
}

} // namespace

TFormBaseDlg::TFormBaseDlg(QWidget* parent) : QDialog(parent ? parent : MainWindow())
{
    // The close box only: no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bvl2 = etchedLine(this, "bvl2");
    layout->addWidget(bvl2);
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("clientArea"));
    layout->addWidget(m_client, 1);
    bvl1 = etchedLine(this, "bvl1");
    layout->addWidget(bvl1);

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->setFixedHeight(34);
    auto* bottom = new QHBoxLayout(pnlBottom);
    bottom->setContentsMargins(0, 4, 6, 5);
    bottom->setSpacing(1);
    bottom->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("确定(&O)"), pnlBottom);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setFixedSize(75, 25);
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    bottom->addWidget(btnOK);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), pnlBottom);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setFixedSize(75, 25);
    btnCancel->setAutoDefault(false);
    bottom->addWidget(btnCancel);
    layout->addWidget(pnlBottom);

    connect(btnOK, &QPushButton::clicked, this, guard([this] { btnOKClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setDesignSize(491, 314);
}

void TFormBaseDlg::setDesignSize(int outerWidth, int outerHeight)
{
    // The designed sizes include a thin frame and a title bar.
    resize(outerWidth - 8, outerHeight - 34);
}

void TFormBaseDlg::placeDesigned(QWidget* control, int x, int y, int width, int height)
{
    control->setGeometry(x, y - 4, width, height);
}

void TFormBaseDlg::btnOKClick()
{
    accept();
}

int TFormBaseDlg::showModal()
{
    // Modal to the main window only: an alert on the screen stays answerable.
    setWindowModality(Qt::WindowModal);
    return exec() == QDialog::Accepted ? mrOk : mrCancel;
}
