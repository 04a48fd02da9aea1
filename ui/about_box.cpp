#include "ui/about_box.h"

#include "platform/platform.h"
#include "ui/build_version.h"
#include "ui/link_label.h"
#include "ui/main.h"
#include "ui/memory_lines.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

namespace ormix::ui {

namespace {

template <class W> W *named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel *centred(QLabel *label, bool bold) {
    label->setAlignment(Qt::AlignHCenter);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

// The service organisation sets its own contacts in the group [About] of the
// configuration; the defaults only show where they go.
struct Contacts {
    QString web, mail, phone1, phone2;
};

Contacts readContacts() {
    auto s = TFormMain::OpenSettings();
    s->beginGroup("About");
    return {s->value("Web", "www.veltaron.example").toString(),
            s->value("EMail", "support@veltaron.example").toString(),
            s->value("Phone1", "+7 (000) 000-00-00").toString(),
            s->value("Phone2", "+7 (000) 000-00-01").toString()};
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("О программе");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    ProductName = named(centred(new QLabel("3-х тарифный эл. счетчик", this), true), "ProductName");
    Label11 =
        named(centred(new QLabel("Программирование ORMIX-2 и KASTOR-5", this), true), "Label11");
    Version = named(centred(new QLabel("Версия 1.16", this), false), "Version");
    BuildVersion = named(centred(new QLabel("Сборка " + ormix::ui::BuildVersion(), this), false),
                         "BuildVersion");

    // The icon in a small sunken frame, as the picture beside it.
    auto *iconFrame = named(new QFrame(this), "Panel2");
    iconFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Image2 = named(new QLabel(iconFrame), "Image2");
    Image2->setFixedSize(32, 32);
    auto *iconLayout = new QHBoxLayout(iconFrame);
    iconLayout->setContentsMargins(2, 2, 2, 2);
    iconLayout->addWidget(Image2);
    Image1 = named(new QLabel(this), "Image1");
    Image1->setFixedSize(165, 93);
    Image1->setPixmap(QPixmap(":/ormix/images/meter-picture.png"));

    GroupBox1 = named(new QGroupBox("Наши координаты", this), "GroupBox1");
    const Contacts contacts = readContacts();
    Label3 = named(new TLinkLabel(contacts.web, GroupBox1), "Label3");
    Label6 = named(new TLinkLabel(contacts.mail, GroupBox1), "Label6");
    Label4 = named(new QLabel(contacts.phone1, GroupBox1), "Label4");
    Label5 = named(new QLabel(contacts.phone2, GroupBox1), "Label5");
    auto *grid = new QGridLayout(GroupBox1);
    grid->addWidget(named(new QLabel("Web-страница:", GroupBox1), "Label7"), 0, 0);
    grid->addWidget(Label3, 0, 1);
    grid->addWidget(named(new QLabel("E-mail:", GroupBox1), "Label8"), 1, 0);
    grid->addWidget(Label6, 1, 1);
    grid->addWidget(named(new QLabel("Телефоны:", GroupBox1), "Label9"), 2, 0, Qt::AlignTop);
    grid->addWidget(Label4, 2, 1);
    grid->addWidget(Label5, 3, 1);
    grid->setColumnStretch(1, 1);

    Label1 = named(new QLabel(this), "Label1");
    Label2 = named(new QLabel(this), "Label2");
    OKButton = named(new QPushButton("OK", this), "OKButton");
    OKButton->setDefault(true);

    auto *titles = new QVBoxLayout;
    titles->addWidget(ProductName);
    titles->addWidget(Label11);
    titles->addSpacing(6);
    titles->addWidget(Version);
    titles->addWidget(BuildVersion);
    auto *top = new QHBoxLayout;
    top->addWidget(iconFrame, 0, Qt::AlignTop);
    top->addLayout(titles, 1);
    auto *button = new QHBoxLayout;
    button->addStretch(1);
    button->addWidget(OKButton);
    button->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(GroupBox1);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addLayout(button);
    // A fixed dialog frame, wide enough for the longest memory line.
    Label2->setText("Доступно физической памяти: 999 999 999 KB");
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(Label3, &TLinkLabel::clicked, this, &TAboutBox::Label3Click);
    connect(Label6, &TLinkLabel::clicked, this, &TAboutBox::Label6Click);
    FormCreate();
    FormActivate();
}

void TAboutBox::FormCreate() {
    Image2->setPixmap(QApplication::windowIcon().pixmap(32, 32));
}

bool TAboutBox::event(QEvent *e) {
    // Shown again, or back in front: the memory figures are those of this moment.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) FormActivate();
    return QDialog::event(e);
}

void TAboutBox::FormActivate() {
    const auto lines = ormix::ui::MakeMemoryLines(platform::CurrentPlatform().Memory(), QLocale());
    Label1->setText(lines.total);
    Label2->setText(lines.available);
}

// The shell's result is not examined: a link the desktop cannot open shows nothing.
void TAboutBox::Label3Click() {
    platform::CurrentPlatform().OpenLink(QUrl::fromUserInput(Label3->text()));
}

void TAboutBox::Label6Click() {
    platform::CurrentPlatform().OpenLink(QUrl("mailto:" + Label6->text()));
}

} // namespace ormix::ui
