// The ports offered in the port menu, found in a small fake /dev and /sys tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SerialPortList.h"
#include "TestFiles.h"

namespace zov {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;
using testing::WriteFile;

class SerialPortListTest : public ::testing::Test {
  protected:
    SerialPortListTest() {
        fs::create_directories(root_.Path() / "dev/serial/by-id");
        fs::create_directories(root_.Path() / "sys/bus/platform/drivers/serial8250");
        fs::create_directories(root_.Path() / "sys/bus/pnp/drivers/serial");
        fs::create_directories(root_.Path() / "sys/devices/port");
    }

    void Node(const std::string& name) { WriteFile(root_.File("dev/" + name), ""); }

    // A ttyS node with its sysfs entry: `driver` empty for none, `type` the UART type.
    void SerialPort(const std::string& name, const std::string& driver, const std::string& type) {
        Node(name);
        const fs::path tty = root_.Path() / "sys/class/tty" / name;
        fs::create_directories(tty);
        WriteFile(tty / "type", type + "\n");
        if (driver.empty()) return;
        const fs::path device = root_.Path() / "sys/devices/port" / name;
        fs::create_directories(device);
        fs::create_directory_symlink(device, tty / "device");
        fs::create_directory_symlink(root_.Path() / "sys/bus" / driver, device / "driver");
    }

    std::vector<std::string> Ports() const { return SerialPortList(root_.Path()).Ports(); }

    ScratchDir root_;
};

TEST_F(SerialPortListTest, OnlyPortsWithAUartAndEveryAdapter) {
    SerialPort("ttyS0", "pnp/drivers/serial", "4");           // the on-board port
    SerialPort("ttyS1", "platform/drivers/serial8250", "0");  // a placeholder of the 8250 driver
    SerialPort("ttyS2", "platform/drivers/serial8250", "4");  // a card the 8250 driver found
    SerialPort("ttyS3", "", "4");                             // no device behind it
    SerialPort("ttyS10", "platform/drivers/serial8250", "16");
    Node("ttyS4");  // no sysfs entry at all
    for (const char* name : {"ttyUSB1", "ttyUSB0", "ttyACM0", "ttyUSBx", "tty0", "ttyS"}) Node(name);
    fs::create_symlink("../../ttyUSB0", root_.Path() / "dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    fs::create_symlink("../../ttyUSB7", root_.Path() / "dev/serial/by-id/usb-gone-if00-port0");

    EXPECT_EQ(Ports(), (std::vector<std::string>{
                           "/dev/ttyS0",
                           "/dev/ttyS2",
                           "/dev/ttyS10",
                           "/dev/ttyUSB0",
                           "/dev/ttyUSB1",
                           "/dev/ttyACM0",
                           "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
                       }));
}

TEST_F(SerialPortListTest, AMachineWithoutPortsOrWithoutADevFolder) {
    EXPECT_TRUE(Ports().empty());
    EXPECT_TRUE(SerialPortList(root_.File("nothing-here")).Ports().empty());
}

}  // namespace
}  // namespace zov
