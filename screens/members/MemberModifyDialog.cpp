#include "screens/members/MemberModifyDialog.h"

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

MemberModifyDialog::MemberModifyDialog(Database &store, const Member &member, QWidget *parent)
    : ScreenDialog(QStringLiteral("mmodify"), QStringLiteral("会员资料修改"), parent),
      m_store(store), m_member(member)
{
    QGroupBox *box = frame("Frame1", QStringLiteral("信息展示"));
    QGridLayout *fields = fieldGrid(box);

    m_acknowledgedBox =
        checkBox("Check1",
                 QStringLiteral("修改会员资料在日常情况下是不需要进行的，修改会员资料可能会让"
                                "数据不准确，勾选本选项代表我已明悉！"),
                 box);
    m_acknowledgedBox->setStyleSheet(QStringLiteral("color: red;"));

    m_statusLabel = label("Label9", QStringLiteral("修改有风险，修改须谨慎！"), box);
    QPushButton *confirmButton = button("Command1", QStringLiteral("确认更改(&S)"), box);
    confirmButton->setAutoDefault(true);
    QPushButton *exitButton = button("Command2", QStringLiteral("退出(&E)"), box);
    exitButton->setAutoDefault(true);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_statusLabel, 1);
    bottom->addWidget(confirmButton);
    bottom->addWidget(exitButton);
    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->addLayout(fields);
    boxLayout->addWidget(m_acknowledgedBox);
    boxLayout->addLayout(bottom);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);

    // Tab runs through the fields that can change, in reading order.
    QWidget *const order[] = {m_sexBox,          m_referrerBox, m_phoneBox, m_referrerPhoneBox,
                              m_acknowledgedBox, confirmButton, exitButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(confirmButton, &QPushButton::clicked, this, &MemberModifyDialog::save);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
}

QGridLayout *MemberModifyDialog::fieldGrid(QGroupBox *box)
{
    auto *fields = new QGridLayout;
    // Places a caption and its field at one of the four slots of a row.
    auto place = [&](const char *labelName, const QString &caption, QWidget *field, int row,
                     int slot) {
        fields->addWidget(label(labelName, caption, box), row, slot * 2);
        fields->addWidget(field, row, slot * 2 + 1);
    };
    // Every field is wide enough for a whole phone number.
    const int fieldWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("00000000000")) +
        2 * (style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + 4);
    auto shown = [&](const char *name, int column) {
        QLineEdit *edit = textBox(name, 0, box);
        edit->setText(MemberListModel::cellText(m_member, column));
        edit->setMinimumWidth(fieldWidth);
        Ui::readOnlyBox(edit);
        return edit;
    };
    auto editable = [&](const char *name, const QString &text, int maxLength, bool digits) {
        QLineEdit *edit = textBox(name, maxLength, box);
        edit->setText(text);
        edit->setMinimumWidth(fieldWidth);
        if (digits)
            Ui::digitsOnly(edit);
        return edit;
    };

    m_sexBox = comboBox("Combo1", {QStringLiteral("男"), QStringLiteral("女")}, box);
    // Any other stored value shows an empty choice, which must be replaced.
    m_sexBox->setCurrentIndex(m_sexBox->findText(m_member.sex));
    m_phoneBox = editable("Text2", m_member.phone, 11, true);
    m_referrerBox = editable("Text3", m_member.referrer, 10, false);
    m_referrerPhoneBox = editable("Text7", m_member.referrerPhone, 11, true);

    place("Label1", QStringLiteral("会员名："), shown("Text1", 1), 0, 0);
    place("Label2", QStringLiteral("性别："), m_sexBox, 0, 1);
    place("Label4", QStringLiteral("消费金额："), shown("Text5", 4), 0, 2);
    place("Label5", QStringLiteral("推荐人："), m_referrerBox, 0, 3);
    place("Label3", QStringLiteral("手机号："), m_phoneBox, 1, 0);
    place("Label7", QStringLiteral("消费次数："), shown("Text4", 7), 1, 1);
    place("Label8", QStringLiteral("余额："), shown("Text6", 8), 1, 2);
    place("Label6", QStringLiteral("推荐人手机号："), m_referrerPhoneBox, 1, 3);
    return fields;
}

void MemberModifyDialog::save()
{
    MemberModify::Request request;
    request.id = m_member.id;
    request.acknowledged = m_acknowledgedBox->isChecked();
    request.sex = m_sexBox->currentText();
    request.phone = m_phoneBox->text();
    request.referrer = m_referrerBox->text();
    request.referrerPhone = m_referrerPhoneBox->text();
    const auto result = attempt([&] { return MemberModify::save(m_store, request); });
    if (!result)
        return;
    const MemberModify::Outcome &outcome = *result;
    if (outcome.kind == MemberModify::Outcome::Kind::Refused) {
        Dialogs::message(this, outcome.message);
        return;
    }
    m_member.sex = request.sex;
    m_member.phone = request.phone;
    m_member.referrer = request.referrer;
    m_member.referrerPhone = request.referrerPhone;
    m_saved = m_member;
    m_statusLabel->setText(outcome.status);
    m_acknowledgedBox->setChecked(false);
}
