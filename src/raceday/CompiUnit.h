// The forecast mark window.
#pragma once
