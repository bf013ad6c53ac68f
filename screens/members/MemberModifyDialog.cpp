#include "screens/members/MemberModifyDialog.h"

#include "base/StoreError.h"
#include "rules/members/MemberListModel.h"
#include "rules/members/MemberModify.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

MemberModifyDialog::MemberModifyDialog(MemberStore &store, const Member &member, QWidget *parent)
    : QDialog(parent), m_store(store), m_member(member)
{
    setObjectName(QStringLiteral("mmodify"));
    setWindowTitle(QStringLiteral("会员资料修改"));

    auto *frame = new QGroupBox(QStringLiteral("信息展示"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *fields = new QGridLayout;
    // Places a label and its field at one of the four slots of a row.
    auto place = [&](int n, const QString &caption, QWidget *field, int row, int slot) {
        auto *label = new QLabel(caption, frame);
        label->setObjectName(QStringLiteral("Label%1").arg(n));
        fields->addWidget(label, row, slot * 2);
        fields->addWidget(field, row, slot * 2 + 1);
    };
    // Every field is wide enough for a whole phone number.
    const int fieldWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("00000000000")) +
        2 * (style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + 4);
    auto shown = [&](const char *name, int column) {
        auto *edit = new QLineEdit(MemberListModel::cellText(member, column), frame);
        edit->setObjectName(QLatin1String(name));
        edit->setMinimumWidth(fieldWidth);
        Ui::readOnlyBox(edit);
        return edit;
    };
    auto editable = [&](const char *name, const QString &text, int maxLength, bool digits) {
        auto *edit = new QLineEdit(text, frame);
        edit->setObjectName(QLatin1String(name));
        edit->setMinimumWidth(fieldWidth);
        edit->setMaxLength(maxLength);
        if (digits)
            Ui::digitsOnly(edit);
        return edit;
    };

    m_combo1 = new QComboBox(frame);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->addItems({QStringLiteral("男"), QStringLiteral("女")});
    // Any other stored value shows an empty choice, which must be replaced.
    m_combo1->setCurrentIndex(m_combo1->findText(member.sex));
    m_text2 = editable("Text2", member.phone, 11, true);
    m_text3 = editable("Text3", member.referrer, 10, false);
    m_text7 = editable("Text7", member.referrerPhone, 11, true);

    place(1, QStringLiteral("会员名："), shown("Text1", 1), 0, 0);
    place(2, QStringLiteral("性别："), m_combo1, 0, 1);
    place(4, QStringLiteral("消费金额："), shown("Text5", 4), 0, 2);
    place(5, QStringLiteral("推荐人："), m_text3, 0, 3);
    place(3, QStringLiteral("手机号："), m_text2, 1, 0);
    place(7, QStringLiteral("消费次数："), shown("Text4", 7), 1, 1);
    place(8, QStringLiteral("余额："), shown("Text6", 8), 1, 2);
    place(6, QStringLiteral("推荐人手机号："), m_text7, 1, 3);

    m_check1 =
        new QCheckBox(QStringLiteral("修改会员资料在日常情况下是不需要进行的，修改会员资料可能会让"
                                     "数据不准确，勾选本选项代表我已明悉！"),
                      frame);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setStyleSheet(QStringLiteral("color: red;"));

    m_label9 = new QLabel(QStringLiteral("修改有风险，修改须谨慎！"), frame);
    m_label9->setObjectName(QStringLiteral("Label9"));
    auto *command1 = new QPushButton(QStringLiteral("确认更改(&S)"), frame);
    command1->setObjectName(QStringLiteral("Command1"));
    auto *command2 = new QPushButton(QStringLiteral("退出(&E)"), frame);
    command2->setObjectName(QStringLiteral("Command2"));

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_label9, 1);
    bottom->addWidget(command1);
    bottom->addWidget(command2);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addLayout(fields);
    frameLayout->addWidget(m_check1);
    frameLayout->addLayout(bottom);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);

    // Tab runs through the fields that can change, in reading order.
    QWidget *const order[] = {m_combo1, m_text3, m_text2, m_text7, m_check1, command1, command2};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(command1, &QPushButton::clicked, this, &MemberModifyDialog::save);
    connect(command2, &QPushButton::clicked, this, &QDialog::reject);
}

void MemberModifyDialog::save()
{
    MemberModify::Request request;
    request.id = m_member.id;
    request.acknowledged = m_check1->isChecked();
    request.sex = m_combo1->currentText();
    request.phone = m_text2->text();
    request.referrer = m_text3->text();
    request.referrerPhone = m_text7->text();
    MemberModify::Outcome outcome;
    try {
        outcome = MemberModify::save(m_store, request);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    if (outcome.kind == MemberModify::Outcome::Kind::Refused) {
        Dialogs::message(this, outcome.message);
        return;
    }
    m_member.sex = request.sex;
    m_member.phone = request.phone;
    m_member.referrer = request.referrer;
    m_member.referrerPhone = request.referrerPhone;
    m_saved = m_member;
    m_label9->setText(outcome.status);
    m_check1->setChecked(false);
}
