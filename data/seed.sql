-- Rows of the demo node DEMO. Dates in their ordered form, YYYY-MM-DD.

INSERT INTO PRINTER (PRN_NAME, PRN_STATUS, PRN_SHARED, PRN_INSTALLED, PRN_COPIES, PRN_LOCATION, PRN_DESC) VALUES
    ('LASER1',  'R', 'Y', '2021-03-15', 1,  'BLDG A FLOOR 2', 'Floor printer, duplex'),
    ('LASER2',  'O', 'Y', '2019-11-02', 2,  'BLDG A FLOOR 3', 'Waiting for a new drum'),
    ('COLOR1',  'R', 'N', '2022-06-30', 1,  'BLDG B LOBBY',   'Colour printer for brochures'),
    ('PLOTTER', 'M', 'N', '2018-01-10', 1,  'BLDG C LAB',     NULL),
    ('LABELS',  'R', 'Y', '2023-09-05', 10, 'SHIPPING',       'Label printer');

INSERT INTO QUEUE (QUE_NAME, QUE_PRINTER, QUE_PRIORITY, QUE_HELD) VALUES
    ('OFFICE',   'LASER1',  5, 'N'),
    ('URGENT',   'LASER1',  1, 'N'),
    ('ARCHIVE',  'LASER2',  9, 'Y'),
    ('MARKETING','COLOR1',  4, 'N'),
    ('DRAWINGS', 'PLOTTER', 6, 'Y'),
    ('PARCELS',  'LABELS',  3, 'N');

-- Workstations in two groups; each gets its group record from the trigger.
INSERT INTO WORKSTATION (ID, GROUPID, WKS_OS, WKS_OWNER) VALUES
    ('WS01', 'LAB',    'L', 'ALICE'),
    ('WS02', 'LAB',    'L', 'BOB'),
    ('WS03', 'LAB',    'W', 'CAROL'),
    ('WS04', 'OFFICE', 'W', 'DAVE'),
    ('WS05', 'OFFICE', 'M', 'ERIN');
