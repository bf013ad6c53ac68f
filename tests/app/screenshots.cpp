// Takes the README's pictures of the program: the main window, the member
// list, a consumption, a referrer report, the day's close and the first
// page of the referrer report's PDF, drawn by the real screens over a small
// shop's data. Run by scripts/screenshots.sh; writes PNG files into the folder
// given as the only argument.
#include "program/MainWindow.h"
#include "rules/money/Consumption.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTextStream>

namespace {

struct Sample
{
    const char *name;
    const char *sex;
    const char *phone;
    const char *referrer;
    const char *referrerPhone;
    qint64 consumedFen;
    qint64 consumptions;
    qint64 balanceFen;
    QDate registered;
};

void addShop(Database &store)
{
    const Sample samples[] = {
        {"张伟", "男", "13812345678", "", "", 128000, 12, 35050, QDate(2026, 3, 2)},
        {"王芳", "女", "13923456789", "张伟", "13812345678", 56000, 6, 10250, QDate(2026, 4, 18)},
        {"李娜", "女", "13734567890", "张伟", "13812345678", 21800, 3, 50000, QDate(2026, 6, 9)},
        {"刘洋", "男", "13645678901", "王芳", "13923456789", 9900, 1, 20000, QDate(2026, 8, 21)},
        {"陈静", "女", "15056789012", "", "", 310050, 27, 8800, QDate(2026, 9, 30)},
        {"赵磊", "男", "18867890123", "陈静", "15056789012", 0, 0, 30000, QDate(2026, 11, 5)},
    };
    Transaction tx(store);
    MemberTable members(store);
    for (const Sample &s : samples) {
        Member m;
        m.name = QString::fromUtf8(s.name);
        m.sex = QString::fromUtf8(s.sex);
        m.phone = QString::fromUtf8(s.phone);
        m.referrer = QString::fromUtf8(s.referrer);
        m.referrerPhone = QString::fromUtf8(s.referrerPhone);
        m.consumed = Money::fromFen(s.consumedFen);
        m.consumptions = s.consumptions;
        m.balance = Money::fromFen(s.balanceFen);
        m.registered = s.registered;
        members.insert(m);
    }
    tx.commit();
}

bool save(QWidget &w, const QString &folder, const char *file)
{
    QApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(file);
    if (!w.grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

template <typename T> T *control(QWidget &screen, const char *name)
{
    T *found = screen.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s on %s", name, qPrintable(screen.objectName()));
    return found;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: " << argv[0] << " <folder for the pictures>\n";
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    ScriptedDialogs dialogs; // messages are recorded, not shown
    ProgramFolder folder;
    folder.setCommission(0, 10);
    folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
    addShop(folder.store());

    MainWindow window(folder.context());
    window.show();
    bool ok = save(window, out, "main.png");

    window.setScreenRunner([&](QDialog &screen) {
        screen.show();
        if (screen.objectName() == QLatin1String("msearch")) {
            control<QPushButton>(screen, "Command1")->click();
            ok = save(screen, out, "list.png") && ok;
        } else if (screen.objectName() == QLatin1String("xiaofei")) {
            control<QLineEdit>(screen, "Text1")->setText(QStringLiteral("王芳"));
            auto *payment = control<QComboBox>(screen, "Combo1");
            payment->setCurrentIndex(payment->findText(Consumption::kBalance));
            control<QLineEdit>(screen, "Text5")->setText(QStringLiteral("58"));
            control<QPushButton>(screen, "Command1")->click();
            ok = save(screen, out, "consumption.png") && ok;
            // A few more of today's actions for the reports.
            for (const auto &[name, payment, amount] :
                 {std::tuple{"李娜", Consumption::kCash, "120"},
                  std::tuple{"王芳", Consumption::kCash, "35"},
                  std::tuple{"刘洋", Consumption::kBalance, "66"},
                  std::tuple{"赵磊", Consumption::kBalance, "88"}})
                Consumption::confirm(
                    folder.store(),
                    {QString::fromUtf8(name), {}, payment, QString::fromLatin1(amount)}, {0, 10},
                    [] { return true; });
        } else if (screen.objectName() == QLatin1String("tuijianbaobiao")) {
            screen.resize(1000, 640);
            control<QLineEdit>(screen, "mingzi")->setText(QStringLiteral("张伟"));
            control<QPushButton>(screen, "chaxun")->click();
            ok = save(screen, out, "referrer.png") && ok;
            control<QPushButton>(screen, "pdf")->click();
            const QString pdf = folder.path() + QStringLiteral("/推荐人报表.pdf");
            ok = QProcess::execute(QStringLiteral("pdftoppm"),
                                   {QStringLiteral("-png"), QStringLiteral("-r"),
                                    QStringLiteral("60"), QStringLiteral("-singlefile"), pdf,
                                    out + QStringLiteral("/referrer-pdf")}) == 0 &&
                 ok;
        } else if (screen.objectName() == QLatin1String("rijie")) {
            ok = save(screen, out, "dayclose.png") && ok;
        }
        screen.close();
    });
    for (const char *name : {"会员查询", "消费登记", "推荐人报表", "日结"}) {
        QAction *action = window.findChild<QAction *>(QString::fromUtf8(name));
        if (!action)
            qFatal("no menu entry %s", name);
        action->trigger();
    }
    dialogs.takeMessages();
    dialogs.takeInputs();
    return ok ? 0 : 1;
}
