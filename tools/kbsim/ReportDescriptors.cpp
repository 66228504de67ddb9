#include "kbsim/ReportDescriptors.h"

namespace lumetta::kbsim {

std::vector<std::uint8_t> bootKeyboardDescriptor() {
    return {
        0x05, 0x01,       // usage page: generic desktop
        0x09, 0x06,       // usage: keyboard
        0xA1, 0x01,       // collection: application
        0x05, 0x07,       //   usage page: keyboard
        0x19, 0xE0,       //   usage minimum: left control
        0x29, 0xE7,       //   usage maximum: right GUI
        0x15, 0x00,       //   logical minimum 0
        0x25, 0x01,       //   logical maximum 1
        0x75, 0x01,       //   report size 1
        0x95, 0x08,       //   report count 8
        0x81, 0x02,       //   input: data, variable, absolute (modifiers)
        0x95, 0x01,       //   report count 1
        0x75, 0x08,       //   report size 8
        0x81, 0x01,       //   input: constant (reserved byte)
        0x95, 0x05,       //   report count 5
        0x75, 0x01,       //   report size 1
        0x05, 0x08,       //   usage page: LEDs
        0x19, 0x01,       //   usage minimum: num lock
        0x29, 0x05,       //   usage maximum: kana
        0x91, 0x02,       //   output: data, variable, absolute
        0x95, 0x01,       //   report count 1
        0x75, 0x03,       //   report size 3
        0x91, 0x01,       //   output: constant (padding)
        0x95, 0x06,       //   report count 6
        0x75, 0x08,       //   report size 8
        0x15, 0x00,       //   logical minimum 0
        0x26, 0xFF, 0x00, //   logical maximum 255
        0x05, 0x07,       //   usage page: keyboard
        0x19, 0x00,       //   usage minimum 0
        0x2A, 0xFF, 0x00, //   usage maximum 255
        0x81, 0x00,       //   input: data, array (key codes)
        0xC0,             // end collection
    };
}

std::vector<std::uint8_t> commandInterfaceDescriptor() {
    return {
        0x06, 0x00, 0xFF, // usage page: vendor 0xFF00
        0x09, 0x01,       // usage 0x01
        0xA1, 0x01,       // collection: application
        0x15, 0x00,       //   logical minimum 0
        0x26, 0xFF, 0x00, //   logical maximum 255
        0x75, 0x08,       //   report size 8
        0x95, 0x40,       //   report count 64
        0x09, 0x01,       //   usage 0x01
        0x81, 0x02,       //   input: data, variable, absolute
        0x95, 0x40,       //   report count 64
        0x09, 0x01,       //   usage 0x01
        0x91, 0x02,       //   output: data, variable, absolute
        0xC0,             // end collection
    };
}

} // namespace lumetta::kbsim
