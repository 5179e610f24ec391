#pragma once

int screen_test();
