#include "screens/AboutDialog.h"

#include "base/Version.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QString AboutDialog::text()
{
    // Each piece stands on its own line of the label.
    const QStringList pieces = {
        QStringLiteral("懒得做说明，简单说两句："),
        QStringLiteral("其实我是想到小型自营场所，是很缺乏扩展顾客的方法的，而如果让会员推"),
        QStringLiteral("荐朋友过来的话，那朋友消费一次，推荐的会员就会有一定的抽成，那这样"),
        QStringLiteral("何乐而不为呢？毕竟大家又都在一起了，不是吗？"),
    };
    return pieces.join(QLatin1Char('\n'));
}

QString AboutDialog::versionText()
{
    return QStringLiteral("Pellomar会员系统 Ver " PELLOMAR_VERSION);
}

AboutDialog::AboutDialog(QWidget *parent)
    : ScreenDialog(QStringLiteral("guanyu"), QStringLiteral("关于----Pellomar"), parent)
{
    QGroupBox *textFrame = frame("Frame1", QStringLiteral("说明"));
    QLabel *body = label("Label1", text(), textFrame);
    body->setWordWrap(true);
    auto *inner = new QVBoxLayout(textFrame);
    inner->addWidget(body);
    QPushButton *closeButton = button("Command1", QStringLiteral("好了，我看完了，可以关掉了！"));
    closeButton->setAutoDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(textFrame);
    layout->addWidget(label("Label2", versionText()));
    layout->addWidget(closeButton);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}
