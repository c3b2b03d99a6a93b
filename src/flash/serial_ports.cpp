#include "serial_ports.h"

#include <QSerialPortInfo>

namespace SerialPorts {

namespace {

const QString separator = QStringLiteral("  ");

QList<Port> systemPorts()
{
    QList<Port> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.description()});
    return ports;
}

Enumerator currentEnumerator = systemPorts;

} // namespace

QList<Port> available()
{
    return currentEnumerator();
}

void setEnumerator(Enumerator enumerator)
{
    currentEnumerator = enumerator ? enumerator : systemPorts;
}

QString itemText(const Port &port)
{
    return port.name + separator + port.description;
}

QString portName(const QString &itemText)
{
    const int end = itemText.indexOf(separator);
    return end < 0 ? itemText : itemText.left(end);
}

} // namespace SerialPorts
