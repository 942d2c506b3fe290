// SPDX-License-Identifier: MIT
#include "qt_serial_port.h"

#include "link/port_names.h"
#include "link/system/adapter_timer.h"
#include "link/system/serial_devices.h"
#include "settings/text_file.h"

#include <QLockFile>

// Built on POSIX systems only: Windows has the Win32 port (src/link/win32).
#include <poll.h>

namespace tavelin::link {

namespace {

QSerialPort::Parity ToQt(Parity parity)
{
    switch (parity) {
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Mark: return QSerialPort::MarkParity;
    case Parity::Space: return QSerialPort::SpaceParity;
    case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

OpenError ToOpenError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError: return OpenError::NotFound;
    case QSerialPort::PermissionError: return OpenError::NoPermission;
    case QSerialPort::OpenError: return OpenError::InUse;
    default: return OpenError::Other;
    }
}

// Qt Serial Port locks a device with a QLockFile named LCK.. and the
// device's path (without /dev/, slashes as "_") in the first of the system's
// lock folders it may use. The lock file names the holder: "process 123
// (tavelin)", or empty when there is none to read. Anybody may write in some
// of those folders, so the program's name is shown without control
// characters.
std::string LockHolder(const std::string& device)
{
    QString name = QString::fromStdString(device);
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"}) {
        qint64 pid = 0;
        QString host;
        QString program;
        if (QLockFile(QLatin1String(folder) + QLatin1String("/LCK..") + name).getLockInfo(&pid, &host, &program) &&
            pid > 0)
            return "process " + std::to_string(pid) +
                   (program.isEmpty() ? "" : " (" + settings::WithoutControlCharacters(program.toStdString()) + ")");
    }
    return "";
}

} // namespace

QtSerialPort::QtSerialPort(EventPump& pump, TtyControl& tty) : pump_(pump), lowLatency_(tty)
{
    QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) { OnError(error); });
}

// A device pulled out is a ResourceError. A pseudo-terminal whose far end
// closed only fails its reads (they return nothing, over and over), so a
// failed read or write counts as the device gone when the line has hung up.
// Closing here is what stops the read notifier from firing without end.
void QtSerialPort::OnError(QSerialPort::SerialPortError error)
{
    if (!port_.isOpen() || lost_)
        return;
    const bool failedIo = error == QSerialPort::ReadError || error == QSerialPort::WriteError;
    if (error != QSerialPort::ResourceError && !(failedIo && HungUp()))
        return;
    lost_ = true;
    lowLatency_.Forget(); // nothing left to give the flag back to
    latency_.reset();
    port_.close();
}

bool QtSerialPort::HungUp()
{
    pollfd watch{static_cast<int>(port_.handle()), POLLIN, 0};
    return ::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLNVAL)) != 0;
}

void QtSerialPort::Apply(const LineSettings& line)
{
    port_.setBaudRate(line.baud);
    port_.setParity(ToQt(line.parity));
    port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits));
    port_.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.clearError(); // a device that refuses a setting keeps its own
}

void QtSerialPort::SetSettings(const std::string& text)
{
    const auto line = ParseLineSettings(text);
    if (!line)
        return; // an unusable text leaves the line as it is
    settings_ = line;
    if (port_.isOpen())
        Apply(*line);
}

OpenResult QtSerialPort::Open()
{
    if (port_.isOpen())
        return {OpenError::InUse, "the port is already open"};
    const OpenResult opened = OpenClosed();
    lastOpenError_ = opened.error;
    return opened;
}

OpenResult QtSerialPort::OpenClosed()
{
    if (!settings_)
        return {OpenError::BadSettings, "no usable line settings"};
    lost_ = false;
    noModemLines_ = false;
    const settings::DeviceChoices choices = choices_ ? *choices_ : settings::DeviceChoices{};
    const PortDevice device = ResolvePortDevice(commPort_, choices);
    // Refused before Qt sees it: a QString would cut a name at a NUL (the
    // lock file then names another device) and turn other bytes into U+FFFD.
    if (const Status allowed = MayOpenDevice(commPort_, device, choices); !allowed)
        return {OpenError::Other, allowed.Reason()};
    port_.setPortName(QString::fromStdString(device.path));
    if (!port_.open(QIODevice::ReadWrite)) {
        OpenError error = ToOpenError(port_.error());
        if (error == OpenError::NoPermission)
            error = TellDeniedApart(device.path);
        const std::string systemWords = port_.errorString().toStdString();
        port_.clearError();
        std::vector<std::string> devices;
        if (error == OpenError::NotFound)
            devices = ListedSerialDevices();
        if (error == OpenError::InUse)
            return {error, InUseText(LockHolder(device.path))};
        return {error, PortOpenFailureText(error, commPort_, device.path, systemWords, devices, device.source)};
    }
    Apply(*settings_);
    // The timer is read after the request, which lowers it where the driver
    // takes the flag: what is left is what the operator should hear of.
    lowLatency_.Ask(static_cast<int>(port_.handle()));
    latency_ = ReadAdapterLatency(device.path);
    return {};
}

void QtSerialPort::Close()
{
    if (port_.isOpen()) {
        lowLatency_.GiveBack(static_cast<int>(port_.handle()));
        port_.close();
    }
    latency_.reset();
    port_.clearError();
}

void QtSerialPort::SetDtr(bool on)
{
    OnModemLines([&] { port_.setDataTerminalReady(on); });
}

void QtSerialPort::SetRts(bool on)
{
    OnModemLines([&] { port_.setRequestToSend(on); });
}

// Bytes the driver holds reach Qt's buffer only when the event loop hands
// the port its read notification; a busy loop may not have done so yet.
void QtSerialPort::TakeWaiting()
{
    if (port_.isOpen() && !lost_)
        port_.waitForReadyRead(0);
}

std::size_t QtSerialPort::InBufferCount()
{
    if (port_.bytesAvailable() == 0)
        TakeWaiting();
    return static_cast<std::size_t>(port_.bytesAvailable());
}

void QtSerialPort::DiscardInput()
{
    if (port_.isOpen())
        port_.clear(QSerialPort::Input);
    port_.clearError();
}

ReadResult QtSerialPort::Read(std::size_t count, Bytes& out)
{
    const auto deadline = pump_.Now() + Millis(inTimeout_);
    const auto enough = [&] { return lost_ || static_cast<std::size_t>(port_.bytesAvailable()) >= count; };
    if (!port_.isOpen())
        return ReadResult::TimedOut;
    if (!pump_.RunUntil(deadline, enough)) {
        // The time is up, but bytes that arrived in time may not have been
        // handed over yet: they are read before the read is called late.
        TakeWaiting();
        if (!enough())
            return ReadResult::TimedOut;
    }
    if (lost_)
        return ReadResult::TimedOut;
    out.resize(count);
    const auto got = port_.read(reinterpret_cast<char*>(out.data()), static_cast<qint64>(count));
    if (got != static_cast<qint64>(count))
        return ReadResult::TimedOut;
    return ReadResult::Ok;
}

void QtSerialPort::Write(std::span<const std::uint8_t> bytes)
{
    if (port_.isOpen()) {
        port_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        // Hand the bytes to the driver now: without CTS nobody waits for the
        // buffer to drain, and the next step may be a close.
        port_.flush();
    }
    port_.clearError();
}

bool QtSerialPort::CtsHolding()
{
    bool holding = false;
    const bool asked = OnModemLines([&] { holding = port_.pinoutSignals().testFlag(QSerialPort::ClearToSendSignal); });
    return asked && holding;
}

std::size_t QtSerialPort::OutBufferCount()
{
    return static_cast<std::size_t>(port_.bytesToWrite());
}

} // namespace tavelin::link
