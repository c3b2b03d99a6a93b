// The serial port list: "Refresh" and the choice of a port.

#include <QDebug>

#include "electronic_clock.h"
#include "serial_ports.h"
#include "ui_electronic_clock.h"

void Electronic_Clock::on_pushButtonUpdateCom_clicked()
{
    // Clearing and filling the list changes its current item, which reaches the slot below.
    ui->comboBox->clear();
    for (const SerialPorts::Port &port : SerialPorts::available())
        ui->comboBox->addItem(SerialPorts::itemText(port));
}

void Electronic_Clock::on_comboBox_currentIndexChanged(const QString &)
{
    currentPort = SerialPorts::portName(ui->comboBox->currentText());
    qDebug().noquote() << currentPort;
}
