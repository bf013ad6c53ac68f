#include "screens/AboutDialog.h"

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

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("guanyu"));
    setWindowTitle(QStringLiteral("关于----Pellomar"));
    auto *frame = new QGroupBox(QStringLiteral("说明"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *label = new QLabel(text(), frame);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    auto *inner = new QVBoxLayout(frame);
    inner->addWidget(label);
    auto *button = new QPushButton(QStringLiteral("好了，我看完了，可以关掉了！"), this);
    button->setObjectName(QStringLiteral("Command1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(button);
    connect(button, &QPushButton::clicked, this, &QDialog::accept);
}
