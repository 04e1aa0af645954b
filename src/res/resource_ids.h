// Resource identifiers shared by the resource script and the program.
#pragma once

#define IDI_QUILLNET 101
#define IDI_QUILLNET_ALERT 102
