#ifndef FLASH_SERIAL_PORTS_H
#define FLASH_SERIAL_PORTS_H

#include <QList>
#include <QString>

// The serial ports present, as the port list shows them: "name  description".
namespace SerialPorts {

struct Port
{
    QString name;
    QString description;
};

using Enumerator = QList<Port> (*)();

// The ports present now, from the enumerator in use (the system's, unless replaced).
QList<Port> available();

// Replaces the system's enumeration, so that tests see the same ports on every machine; nullptr
// restores it.
void setEnumerator(Enumerator enumerator);

// The list item of a port: its name, two blanks, its description.
QString itemText(const Port &port);

// The port name of a list item: the text before the two-blank separator.
QString portName(const QString &itemText);

} // namespace SerialPorts

#endif // FLASH_SERIAL_PORTS_H
