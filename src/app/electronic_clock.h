#ifndef APP_ELECTRONIC_CLOCK_H
#define APP_ELECTRONIC_CLOCK_H

#include <QImage>
#include <QMainWindow>
#include <QString>

class QTimer;
class ScriptLauncher;
class Ui_Electronic_Clock;

// The one window of the program. It holds all of the program's state; every user action
// arrives as one of its slots. The slots live beside the subsystem they belong to:
// src/styles (style buttons) and src/flash (port list, compile, upload, progress).
class Electronic_Clock : public QMainWindow
{
    Q_OBJECT

public:
    explicit Electronic_Clock(QWidget *parent = nullptr);
    ~Electronic_Clock() override;

private slots:
    // The order of the slots below is the order of the meta-object's methods.
    void Qtimer1();
    void Qtimer2();
    void on_pushButtonJPG1_clicked();
    void on_pushButtonJPG2_clicked();
    void on_pushButtonJPG3_clicked();
    void on_pushButtonJPG4_clicked();
    void on_pushButtonJPG5_clicked();
    void on_pushButtonJPG9_clicked();
    void on_pushButtonJPG6_clicked();
    void on_pushButtonJPG7_clicked();
    void on_pushButtonJPG8_clicked();
    void on_pushButtonJPG10_clicked();
    void on_pushButtonJPG11_clicked();
    void on_pushButtonJPG12_clicked();
    void on_pushButtonJPG13_clicked();
    void on_pushButtonJPG14_clicked();
    void on_pushButtonJPG15_clicked();
    void on_pushButtonJPG16_clicked();
    void on_pushButtonJPG17_clicked();
    void on_pushButtonJPG18_clicked();
    void on_pushButtonJPG19_clicked();
    void on_pushButtonJPG20_clicked();
    void on_pushButtonJPG21_clicked();
    void on_pushButtonJPG22_clicked();
    void on_pushButtonJPG23_clicked();
    void on_pushButtonCompile_clicked();
    void on_pushButtonUpload_clicked();
    void on_pushButtonUpdateCom_clicked();
    void on_comboBox_currentIndexChanged(const QString &arg1);

private:
    friend class WindowProbe; // lets the tests read the state below

    // The two animations on the progress bar, and the parts of the window that each one uses.
    enum class Bar { Compile, Upload };
    struct Animation;
    Animation animation(Bar which);

    void selectStyle(int style);
    void tick(Bar which);
    void showFinalText(Bar which);
    void resumeHeldBack();
    void onScriptEnded();
    void clearBarNotes();

    QImage scratchImage;
    QString currentPort;
    QString customFlag = QStringLiteral("1");
    QTimer *compileTimer;
    QTimer *uploadTimer;
    int compileStep = 0;
    int uploadStep = 0;
    Ui_Electronic_Clock *ui;

    // The scripts that the compile and upload buttons launched last. The progress animation
    // ends according to how they ended.
    ScriptLauncher *builderLauncher;
    ScriptLauncher *uploaderLauncher;

    // The bar tells both outcomes. An animation that met the bar held is remembered and goes on
    // once the final text that held it has stood for a while; a failure stays until a click.
    bool compileHeldBack = false;
    bool uploadHeldBack = false;
    bool failureShown = false;
    QTimer *heldBackDelay;
};

#endif // APP_ELECTRONIC_CLOCK_H
