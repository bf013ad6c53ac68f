#include "screens/members/RegistrationDialog.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "rules/members/Registration.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
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

RegistrationDialog::RegistrationDialog(Database &store, QWidget *parent)
    : ScreenDialog(QStringLiteral("msignin"), QStringLiteral("会员登记界面"), parent),
      m_store(store)
{
    QGridLayout *inputs = inputGrid();

    QGroupBox *hintFrame = frame("Frame1", QStringLiteral("提示："));
    const QStringList hint = {QStringLiteral("会员ID一旦设置则"),
                              QStringLiteral("无法修改，建议设"),
                              QStringLiteral("置一个好记好打的"), QStringLiteral("会员ID名称！")};
    auto *hintLayout = new QVBoxLayout(hintFrame);
    hintLayout->addWidget(label("Label8", hint.join(QLatin1Char('\n')), hintFrame));
    auto *dateCaption = label("Label5", QStringLiteral("登记日期"));
    dateCaption->setAlignment(Qt::AlignCenter);
    m_dateLabel = label("Label6", QStringLiteral("时间"));
    m_dateLabel->setAlignment(Qt::AlignCenter);
    auto *right = new QVBoxLayout;
    right->addWidget(hintFrame);
    right->addWidget(dateCaption);
    right->addWidget(m_dateLabel);
    right->addStretch();

    QPushButton *confirmButton = mainAction(button("Command1", QStringLiteral("会员登记(&S)")));
    QPushButton *exitButton = button("Command2", QStringLiteral("退出(&E)"));
    auto *top = new QHBoxLayout;
    top->addLayout(inputs);
    top->addLayout(right);
    m_continueBox = checkBox("Check1", QStringLiteral("连续登记"));
    m_continueBox->setToolTip(QStringLiteral("勾选后登记成功不关闭窗口，清空后登记下一位会员"));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_continueBox);
    layout->addLayout(buttonRow(confirmButton, exitButton));

    QWidget *order[] = {m_nameBox,     m_maleButton,  m_femaleButton,
                        m_phoneBox,    m_referrerBox, m_referrerPhoneBox,
                        m_continueBox, confirmButton, exitButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Ui::arrowsChoose({m_maleButton, m_femaleButton});
    Ui::resizeTwips(this, 4830, 3645);

    connect(confirmButton, &QPushButton::clicked, this, &RegistrationDialog::registerMember);
    connect(m_continueBox, &QCheckBox::clicked, this,
            [this](bool on) { attempt([&] { Registration::setKeepsOpen(m_store, on); }); });
}

QGridLayout *RegistrationDialog::inputGrid()
{
    m_nameBox = songTiBox(textBox("Text1", 10));
    m_maleButton = radio("Option1", Registration::kMale);
    m_femaleButton = radio("Option2", Registration::kFemale);
    m_phoneBox = songTiBox(textBox("Text2", 11));
    Ui::digitsOnly(m_phoneBox);
    m_referrerBox = songTiBox(textBox("Text3", 10));
    m_referrerPhoneBox = songTiBox(textBox("Text4", 11));
    Ui::digitsOnly(m_referrerPhoneBox);

    auto *sex = new QHBoxLayout;
    sex->addWidget(m_maleButton);
    sex->addWidget(m_femaleButton);
    sex->addStretch();
    auto *inputs = new QGridLayout;
    const struct
    {
        const char *name;
        QString caption;
        QLineEdit *box; // null: the sex buttons
    } rows[] = {{"Label1", QStringLiteral("会 员 ID："), m_nameBox},
                {"Label2", QStringLiteral("会员性别："), nullptr},
                {"Label3", QStringLiteral("手 机 号："), m_phoneBox},
                {"Label4", QStringLiteral("推 荐 人："), m_referrerBox},
                {"Label7", QStringLiteral("推荐人手机"), m_referrerPhoneBox}};
    for (int r = 0; r < int(std::size(rows)); ++r) {
        inputs->addWidget(label(rows[r].name, rows[r].caption), r, 0);
        if (rows[r].box)
            inputs->addWidget(rows[r].box, r, 1);
        else
            inputs->addLayout(sex, r, 1);
    }
    return inputs;
}

void RegistrationDialog::activate()
{
    m_date = Clock::today();
    m_dateLabel->setText(Formats::shortDate(m_date));
    const auto on = attempt([this] { return Registration::keepsOpen(m_store); });
    m_continueBox->setChecked(on.value_or(false));
}

void RegistrationDialog::emptyForm()
{
    for (QLineEdit *box : {m_nameBox, m_phoneBox, m_referrerBox, m_referrerPhoneBox})
        box->clear();
    // Past the guard that keeps one of them chosen once chosen.
    for (QRadioButton *sex : {m_maleButton, m_femaleButton}) {
        const QSignalBlocker quiet(sex);
        sex->setChecked(false);
    }
    m_nameBox->setFocus(Qt::OtherFocusReason);
}

void RegistrationDialog::registerMember()
{
    Registration::Request request;
    request.name = m_nameBox->text();
    request.sex = m_maleButton->isChecked()     ? Registration::kMale
                  : m_femaleButton->isChecked() ? Registration::kFemale
                                                : QString();
    request.phone = m_phoneBox->text();
    request.referrer = m_referrerBox->text();
    request.referrerPhone = m_referrerPhoneBox->text();
    request.date = m_date.isValid() ? m_date : Clock::today();
    const auto confirm = [this] {
        return Dialogs::isOk(
            Dialogs::input(this, Registration::kConfirmPrompt, Registration::kConfirmTitle));
    };

    const auto result = attempt([&] { return Registration::add(m_store, request, confirm); });
    if (!result)
        return;
    const Registration::Outcome &outcome = *result;
    Dialogs::message(this, outcome.message);
    if (outcome.registered && m_continueBox->isChecked())
        emptyForm();
    else if (outcome.registered)
        accept();
    else if (outcome.focus == Registration::Focus::Name)
        m_nameBox->setFocus();
    else if (outcome.focus == Registration::Focus::Phone)
        m_phoneBox->setFocus();
}
