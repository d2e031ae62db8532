-- Fixed records of the drive database: version history, amplifier models, the connect
-- dialog's choices and the user's settings record.

INSERT INTO tblDBVER (Version, VersionDate, Notes) VALUES
  ('1.00', '2006-05-15', 'KDA-400, KDA-1K and KDA-3K amplifiers with firmware 2.00'),
  ('1.01', '2007-02-20', 'Firmware 2.10: P1.56, P2.64, P2.65, P3.08 and 16 digital inputs'),
  ('1.02', '2007-06-04', 'Input and output function texts revised');

INSERT INTO tblDriveModels (AmpCode, Rev, ModelCode, Power, AmpName, RevDate) VALUES
  (20, 200, 'KDA-20-400', '400W', 'KDA-400', '2006-05-15'),
  (20, 210, 'KDA-20-400', '400W', 'KDA-400', '2007-02-20'),
  (21, 200, 'KDA-21-1K', '1KW', 'KDA-1K', '2006-05-15'),
  (21, 210, 'KDA-21-1K', '1KW', 'KDA-1K', '2007-02-20'),
  (23, 200, 'KDA-23-3K', '3KW', 'KDA-3K', '2006-05-15'),
  (23, 210, 'KDA-23-3K', '3KW', 'KDA-3K', '2007-02-20');

-- Rows 1-9 carry the port list (COM1-COM8), the speed list (4800-115200) and the protocol
-- list, whose order is fixed: the connect dialog maps the list position to the framing.
-- Preselected: COM1, 19200 baud, RTU 8 data bits, odd parity, 1 stop bit (the drive's
-- factory setting, P3.01 = 2 and P3.02 = 8).
INSERT INTO tblComSet (Code, Port, PortDefault, Baud, BaudDefault, Bits, Parity, StopBit,
                       Description, ProtocolDefault, Address) VALUES
  (1, 'COM1', 1, '4800',   0, '7', 'N', '2', 'Modbus ASCII', 0, NULL),
  (2, 'COM2', 0, '9600',   0, '7', 'E', '1', 'Modbus ASCII', 0, NULL),
  (3, 'COM3', 0, '19200',  1, '7', 'O', '1', 'Modbus ASCII', 0, NULL),
  (4, 'COM4', 0, '38400',  0, '8', 'N', '2', 'Modbus ASCII', 0, NULL),
  (5, 'COM5', 0, '57600',  0, '8', 'E', '1', 'Modbus ASCII', 0, NULL),
  (6, 'COM6', 0, '115200', 0, '8', 'O', '1', 'Modbus ASCII', 0, NULL),
  (7, 'COM7', 0, NULL,     0, '8', 'N', '2', 'Modbus RTU',   0, NULL),
  (8, 'COM8', 0, NULL,     0, '8', 'E', '1', 'Modbus RTU',   0, NULL),
  (9, NULL,   0, NULL,     0, '8', 'O', '1', 'Modbus RTU',   1, NULL),
  (99, NULL,  0, NULL,     0, NULL, NULL, NULL, NULL,        0, 1);

-- The user's settings: navigator at start, text report, express writes off but confirmed
-- when switched on, tuning writes confirmed, tool tips on, four recent files.
INSERT INTO tblCustInfo (RecNum, QuickScreen, ReportFormat, ExpressWrites, ConfirmExpress,
                         ConfirmTuning, TextTip, PreviousFiles) VALUES
  (1, 1, 0, 0, 1, 1, 1, 3);
