#pragma once

int screen_main();
