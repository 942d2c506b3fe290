// SPDX-License-Identifier: MIT
#include "state_block.h"

namespace tavelin::link::win32 {

namespace {

BYTE ToParity(Parity parity)
{
    switch (parity) {
    case Parity::Even: return EVENPARITY;
    case Parity::Odd: return ODDPARITY;
    case Parity::Mark: return MARKPARITY;
    case Parity::Space: return SPACEPARITY;
    case Parity::None: break;
    }
    return NOPARITY;
}

} // namespace

void SetStateBlock(DCB& block, const LineSettings& line, bool dtr, bool rts)
{
    block.DCBlength = sizeof block;
    block.BaudRate = static_cast<DWORD>(line.baud);
    block.ByteSize = static_cast<BYTE>(line.dataBits);
    block.Parity = ToParity(line.parity);
    block.StopBits = line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    block.fBinary = TRUE;
    block.fParity = line.parity != Parity::None;
    block.fOutxCtsFlow = FALSE;
    block.fOutxDsrFlow = FALSE;
    block.fDsrSensitivity = FALSE;
    block.fTXContinueOnXoff = TRUE;
    block.fOutX = FALSE;
    block.fInX = FALSE;
    block.fErrorChar = FALSE;
    block.fNull = FALSE; // a zero byte is data
    block.fDtrControl = dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    block.fRtsControl = rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    // A line error must not stop every later read until it is cleared.
    block.fAbortOnError = FALSE;
}

} // namespace tavelin::link::win32
