#pragma once

// Identifiers of the dialogs, their controls and the About command. Control
// identifiers double as object names ("IDC_TEXT" ...), so tests and
// accessibility tools find each control by the name it has always had.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_MAIN_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;
constexpr unsigned IDM_ABOUTBOX = 16;
constexpr int IDC_TEXT = 1001;
constexpr int IDC_SIZE_LIST = 1002;
constexpr int IDC_OUTPUT_PATH = 1003;
constexpr int IDC_OUTPUT = 1004;
constexpr int IDC_CLOSE = 1005;
constexpr int IDC_CHOOSE_PATH = 1007;
