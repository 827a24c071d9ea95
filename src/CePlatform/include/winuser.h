// The window system of the device's platform (implemented by the CeWindow library).
#pragma once
