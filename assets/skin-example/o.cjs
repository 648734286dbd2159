/* An example skin for Quillmere: a Qt style sheet. Copy it to x/o.cjs beside the executable
   (build/bin/x/o.cjs) to apply it at the next start. */
QPushButton {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #f7f9fc, stop: 1 #dce3ee);
    border: 1px solid #7d8ca3;
    border-radius: 4px;
    color: #1d2b44;
}
QPushButton:hover { border-color: #3d6fb6; }
QPushButton:pressed { background-color: #c9d4e6; }
QGroupBox { border: 1px solid #9aa7ba; border-radius: 4px; margin-top: 8px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #1d2b44; }
QLineEdit { border: 1px solid #9aa7ba; border-radius: 3px; padding: 1px 4px; background: white; }
QProgressBar { border: 1px solid #9aa7ba; border-radius: 3px; text-align: center; background: white; }
QProgressBar::chunk { background-color: #6f9bd8; }
QTreeWidget { border: 1px solid #9aa7ba; background: white; }
