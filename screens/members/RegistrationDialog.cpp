#include "screens/members/RegistrationDialog.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/StoreError.h"
#include "rules/members/Registration.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLineEdit *songTiBox(QLineEdit *edit)
{
    QFont font = edit->font();
    font.setFamilies(Ui::songTi());
    font.setPointSize(12);
    edit->setFont(font);
    return edit;
}

} // namespace

RegistrationDialog::RegistrationDialog(MemberStore &store, QWidget *parent)
    : ScreenDialog(QStringLiteral("msignin"), QStringLiteral("会员登记界面"), parent),
      m_store(store)
{
    m_text1 = songTiBox(newTextBox("Text1", 10, this));
    m_option1 = new QRadioButton(Registration::kMale, this);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2 = new QRadioButton(Registration::kFemale, this);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_text2 = songTiBox(newTextBox("Text2", 11, this));
    Ui::digitsOnly(m_text2);
    m_text3 = songTiBox(newTextBox("Text3", 10, this));
    m_text4 = songTiBox(newTextBox("Text4", 11, this));
    Ui::digitsOnly(m_text4);

    auto *sex = new QHBoxLayout;
    sex->addWidget(m_option1);
    sex->addWidget(m_option2);
    sex->addStretch();
    auto *inputs = new QGridLayout;
    inputs->addWidget(newLabel("Label1", QStringLiteral("会 员 ID："), this), 0, 0);
    inputs->addWidget(m_text1, 0, 1);
    inputs->addWidget(newLabel("Label2", QStringLiteral("会员性别："), this), 1, 0);
    inputs->addLayout(sex, 1, 1);
    inputs->addWidget(newLabel("Label3", QStringLiteral("手 机 号："), this), 2, 0);
    inputs->addWidget(m_text2, 2, 1);
    inputs->addWidget(newLabel("Label4", QStringLiteral("推 荐 人："), this), 3, 0);
    inputs->addWidget(m_text3, 3, 1);
    inputs->addWidget(newLabel("Label7", QStringLiteral("推荐人手机"), this), 4, 0);
    inputs->addWidget(m_text4, 4, 1);

    auto *frame = new QGroupBox(QStringLiteral("提示："), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    const QStringList hint = {QStringLiteral("会员ID一旦设置则"),
                              QStringLiteral("无法修改，建议设"),
                              QStringLiteral("置一个好记好打的"), QStringLiteral("会员ID名称！")};
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(newLabel("Label8", hint.join(QLatin1Char('\n')), frame));
    auto *label5 = newLabel("Label5", QStringLiteral("登记日期"), this);
    label5->setAlignment(Qt::AlignCenter);
    m_label6 = newLabel("Label6", QStringLiteral("时间"), this);
    m_label6->setAlignment(Qt::AlignCenter);
    auto *right = new QVBoxLayout;
    right->addWidget(frame);
    right->addWidget(label5);
    right->addWidget(m_label6);
    right->addStretch();

    QPushButton *command1 = newButton("Command1", QStringLiteral("会员登记(&S)"), this);
    QPushButton *command2 = newButton("Command2", QStringLiteral("退出(&E)"), this);
    auto *top = new QHBoxLayout;
    top->addLayout(inputs);
    top->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(newButtonRow(command1, command2));

    QWidget *order[] = {m_text1, m_option1, m_option2, m_text2,
                        m_text3, m_text4,   command1,  command2};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Ui::resizeTwips(this, 4830, 3645);

    connect(command1, &QPushButton::clicked, this, &RegistrationDialog::registerMember);
}

void RegistrationDialog::activate()
{
    m_date = Clock::today();
    m_label6->setText(Formats::shortDate(m_date));
}

void RegistrationDialog::registerMember()
{
    Registration::Request request;
    request.name = m_text1->text();
    request.sex = m_option1->isChecked()   ? Registration::kMale
                  : m_option2->isChecked() ? Registration::kFemale
                                           : QString();
    request.phone = m_text2->text();
    request.referrer = m_text3->text();
    request.referrerPhone = m_text4->text();
    request.date = m_date.isValid() ? m_date : Clock::today();
    const auto confirm = [this] {
        return Dialogs::isOk(
            Dialogs::input(this, Registration::kConfirmPrompt, Registration::kConfirmTitle));
    };

    Registration::Outcome outcome;
    try {
        outcome = Registration::add(m_store, request, confirm);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    Dialogs::message(this, outcome.message);
    if (outcome.registered)
        accept();
    else if (outcome.focus == Registration::Focus::Name)
        m_text1->setFocus();
    else if (outcome.focus == Registration::Focus::Phone)
        m_text2->setFocus();
}
