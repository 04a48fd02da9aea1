#pragma once
// The about, help and defect windows: present with their captions, filled in later.
#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
};

class TFormHelp : public QDialog {
    Q_OBJECT
public:
    explicit TFormHelp(QWidget *parent = nullptr);
};

class TFormSpoilage : public QDialog {
    Q_OBJECT
public:
    explicit TFormSpoilage(QWidget *parent = nullptr);
};
